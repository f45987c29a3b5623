// plumavo-render: the program's headless front end. It loads a project and
// either describes it, saves it again, or composes its canvas, renders it as
// the program does and writes the picture.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "canvas/canvas_style.h"
#include "media/image_decoder.h"  // LimitThisProcess
#include "media/image_file.h"
#include "model/project_file.h"
#include "render/ifs/renderer.h"

namespace {

using namespace plumavo;

constexpr const char* kUsage =
    "usage: plumavo-render [--loops N] [--aliased] [--jpeg-quality Q] INPUT.plv [OUTPUT]\n"
    "       plumavo-render --thumbnail SIZE INPUT.plv OUTPUT\n"
    "  without OUTPUT: describe the project\n"
    "  OUTPUT.plv: save the project again\n"
    "  OUTPUT.bmp|jpg|gif|png|tif|tga|ppm: render the picture and write it\n"
    "  --thumbnail SIZE: write the whole picture as a PNG, its longer side at most SIZE pixels\n";

enum ExitCode { kOk = 0, kUsageError = 1, kLoadError = 2, kSaveError = 3, kImageError = 4 };

struct Options {
  int32_t Loops = kDefaultRenderingLoops;
  bool Antialiased = true;
  int32_t JpegQuality = 90;
  int32_t Thumbnail = 0;  // the longest side of a thumbnail; 0 for none
  const char* Input = nullptr;
  const char* Output = nullptr;
};

bool ParseInt(const char* text, int32_t lo, int32_t hi, int32_t& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < lo || v > hi) return false;
  out = int32_t(v);
  return true;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--aliased") {
      o.Antialiased = false;
    } else if (a == "--loops" && i + 1 < argc) {
      if (!ParseInt(argv[++i], 1, kMaxRenderingLoops, o.Loops)) return false;
    } else if (a == "--thumbnail" && i + 1 < argc) {
      if (!ParseInt(argv[++i], 1, 4096, o.Thumbnail)) return false;
    } else if (a == "--jpeg-quality" && i + 1 < argc) {
      if (!ParseInt(argv[++i], 1, 100, o.JpegQuality)) return false;
    } else if ((!a.empty() && a[0] == '-') || positional >= 2) {
      return false;  // an unknown option, or a third file name
    } else {
      (positional == 0 ? o.Input : o.Output) = argv[i];
      ++positional;
    }
  }
  // A thumbnail needs somewhere to go.
  return o.Input != nullptr && (o.Thumbnail == 0 || o.Output != nullptr);
}

// The writer's flags for an extension, as the export dialog's filters give them.
int32_t ExportFlags(const std::string& ext, int32_t jpegQuality) {
  if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jif") return jpegQuality;
  if (ext == "gif") return kSaveQuantize;
  return 0;
}

// Composes the canvas and renders the picture into layer, exactly as the
// program does. A texture that cannot be read leaves the plain canvas; the
// picture is still made, and the user learns why it looks different. False
// (after saying so) when there is nothing to render into.
bool RenderPicture(Project& project, const Options& o, TBitmap32& layer) {
  TCanvasState canvas;
  const TTextureLoadResult texture = canvas.PrepareForProject(project);
  if (!texture.Ok() && !texture.Message.empty()) std::fprintf(stderr, "%s\n", texture.Message.c_str());
  if (!canvas.ComposeCanvas(project, layer)) {
    std::fputs("Cannot write the image.\n", stderr);
    return false;
  }
  TRenderer renderer;
  renderer.Preferences.RenderingLoops = o.Loops;
  renderer.Preferences.Antialiased = o.Antialiased;
  renderer.RenderImage(project, canvas.CanvasPicture, layer);
  return true;
}

int RenderToImage(Project& project, const Options& o) {
  TBitmap32 layer;
  if (!RenderPicture(project, o, layer)) return kImageError;
  const std::string out = o.Output;
  if (!SaveImageFile(layer, out, ExportFlags(LowerExtension(out), o.JpegQuality))) {
    std::fputs("Cannot write the image.\n", stderr);
    return kImageError;
  }
  return kOk;
}

// Thumbnailers run on whatever lands in a download folder, unattended: the
// process gives up after a bounded amount of CPU time and memory instead of
// hanging or swapping (the image decoder child has limits of its own).
void LimitThumbnailProcess() { LimitThisProcess(20, int64_t(2) << 30); }

// The whole picture scaled down, never up, so that its longer side is at
// most `size`, written as PNG whatever the output's name.
int RenderThumbnail(Project& project, const Options& o) {
  TBitmap32 layer;
  if (!RenderPicture(project, o, layer)) return kImageError;
  const int32_t w = layer.Width(), h = layer.Height();
  const double scale = std::min(1.0, double(o.Thumbnail) / std::max(w, h));
  const int32_t tw = std::max(1, int32_t(std::lround(w * scale))), th = std::max(1, int32_t(std::lround(h * scale)));
  TBitmap32 thumb(tw, th);
  layer.DrawMode = dmOpaque;
  layer.StretchFilter = sfLinear;
  thumb.Draw(thumb.BoundsRect(), layer.BoundsRect(), layer);
  thumb.ResetAlpha();
  if (!SaveImageFileAs(thumb, o.Output, "png", 0)) {
    std::fputs("Cannot write the image.\n", stderr);
    return kImageError;
  }
  return kOk;
}

const char* ModeName(ShapeMode m) { return m == ShapeMode::Affine ? "Affine" : "Projective"; }

int Run(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fputs(kUsage, stderr);
    return kUsageError;
  }
  if (o.Thumbnail > 0) LimitThumbnailProcess();
  Project project;
  const uint8_t loaded = LoadProject(project, o.Input);
  if (loaded != kFileOk) {
    std::fprintf(stderr, "%s\n", loaded == kFileCannotOpen ? "Cannot open the project." : "Unexpected file format.");
    return kLoadError;
  }
  ResetProject(project, project.Width, project.Height, false, project.Mode);
  if (o.Thumbnail > 0) return RenderThumbnail(project, o);
  if (o.Output == nullptr) {
    std::printf("%s %dx%d vertices=%d shapes=%d selected=%d\n", ModeName(project.Mode), project.Width, project.Height,
                project.VertexCount, project.ShapeCount(), project.Selected());
    return kOk;
  }
  if (LowerExtension(o.Output) == "plv") {
    if (SaveProject(project, o.Output) != kFileOk) {
      std::fputs("Cannot save the project.\n", stderr);
      return kSaveError;
    }
    return kOk;
  }
  return RenderToImage(project, o);
}

}  // namespace

// The one boundary: whatever fails below ends the run with a message and a
// failure code, never with a picture reported as written.
int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("Not enough memory.\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plumavo-render: %s\n", e.what());
  }
  return kImageError;
}
