#include "canvas/canvas_style.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "canvas/gradient.h"
#include "media/image_decoder.h"
#include "media/image_file.h"

namespace plumavo {

namespace {

TBitmap32 BuildGridTile() {
  TBitmap32 tile(100, 100);
  for (int32_t y = 0; y < 100; ++y) {
    for (int32_t x = 0; x < 100; ++x) {
      TColor32 c;
      if (x == 99 || y == 99)
        c = Color32(80, 75, 70);
      else if (x == 49 || y == 49)
        c = Color32(107, 102, 97);
      else if ((x % 10 == 9 && y % 2 == 1) || (y % 10 == 9 && x % 2 == 1))
        c = Color32(120, 114, 108);
      else
        c = Color32(140, 133, 127);
      tile.Pixel(x, y) = c;
    }
  }
  return tile;
}

// Copies src with its top-left at (x, y), clipped to dst, whatever src's draw
// mode: the canvas pieces always cover what lies beneath.
void CopyOpaque(TBitmap32& dst, int32_t x, int32_t y, const TBitmap32& src) {
  if (dst.Empty() || src.Empty()) return;
  const int64_t x1 = std::max<int64_t>(x, 0), y1 = std::max<int64_t>(y, 0);
  const int64_t x2 = std::min<int64_t>(int64_t(x) + src.Width(), dst.Width());
  const int64_t y2 = std::min<int64_t>(int64_t(y) + src.Height(), dst.Height());
  if (x1 >= x2 || y1 >= y2) return;
  for (int64_t row = y1; row < y2; ++row) {
    const TColor32* s = src.ScanLine(int32_t(row - y)) + (x1 - x);
    std::copy(s, s + (x2 - x1), dst.ScanLine(int32_t(row)) + x1);
  }
}

// Texture files can be replaced by anyone; they are decoded in a child
// process, so a damaged one costs the texture, not the program.
bool DefaultLoadImage(const std::string& path, TBitmap32& out) {
  return DecodeImageFileIsolated(out, path) == TDecodeStatus::Ok;
}

bool IsTextureStyle(uint16_t style) { return style >= csFirstTexture && style < kCanvasStyleCount; }

}  // namespace

const std::array<const char*, 24>& CanvasStyleCaptions() {
  static const std::array<const char*, 24> captions = {
      "Solid...",  "Gradient...", "Grid",    "Cement 1", "Cement 2", "Ground 1", "Ground 2", "Leaves 1",
      "Leaves 2",  "Mud 1",       "Mud 2",   "Rock 1",   "Rock 2",   "Rock 3",   "Sand 1",   "Sand 2",
      "Seaweed 1", "Seaweed 2",   "Stone 1", "Stone 2",  "Water",    "Wood 1",   "Wood 2",   "Wood 3",
  };
  return captions;
}

const TBitmap32& GridTile() {
  static const TBitmap32 tile = BuildGridTile();
  return tile;
}

std::string DataFolder() {
  std::string exe = ExecutableFolder();
  std::error_code ec;
  if (exe.empty() || std::filesystem::is_directory(exe + "Textures", ec)) return exe;
  const std::filesystem::path installed = std::filesystem::path(exe) / ".." / "share" / "plumavo";
  if (std::filesystem::is_directory(installed, ec)) return installed.lexically_normal().string() + "/";
  return exe;
}

TGradientSettings GradientSettingsOf(const Project& p) {
  return {p.GradientColorBegin, p.GradientColorEnd, p.GradientStyle, p.GradientRotation, p.GradientShift};
}

void PaintGradientBitmap(const Project& p, TBitmap32& out) {
  // One locked round of settings, and the pattern is painted once when the
  // lock goes (the default style's radial pattern alone took about a
  // millisecond of every project reset). A stored style outside the list
  // keeps the painter's default style.
  TGradient g{TGradient::Unpainted{}};
  g.BeginUpdate();
  g.SetColorBegin(p.GradientColorBegin);
  g.SetColorEnd(p.GradientColorEnd);
  if (p.GradientStyle < kGradientStyleCount) g.SetStyle(TGradientStyle(p.GradientStyle + 1));
  g.SetRotation(p.GradientRotation);
  g.SetShift(p.GradientShift);
  g.EndUpdate();
  g.CopyPatternTo(&out);
  out.DrawMode = dmOpaque;
}

TBitmap32 MakeSolidSwatch(TColor color) {
  TBitmap32 icon(16, 16);
  icon.Clear(Color32(color));
  icon.FrameRect(0, 0, 16, 16, Color32(0, 0, 0));
  return icon;
}

TBitmap32 MakeGradientSwatch(const TBitmap32& gradientBitmap) {
  TBitmap32 icon(16, 16);
  icon.Clear(Color32(0, 0, 0));
  if (gradientBitmap.Empty()) return icon;
  TBitmap32 src(gradientBitmap);
  src.DrawMode = dmOpaque;
  src.StretchFilter = sfLinear;
  icon.Draw(icon.BoundsRect(), src.BoundsRect(), src);
  icon.ResetAlpha();
  return icon;
}

TCanvasState::TCanvasState() : TextureFolder(DataFolder() + "Textures/"), LoadImage(DefaultLoadImage) {
  TextureBitmap.DrawMode = dmOpaque;
  CanvasPicture.DrawMode = dmOpaque;
}

std::string TCanvasState::TexturePath(uint16_t style) const {
  if (style >= kCanvasStyleCount) return {};
  return TextureFolder + CanvasStyleCaptions()[style] + ".jpg";
}

TTextureLoadResult TCanvasState::LoadTexture(Project& p, uint16_t style, bool showMessages) {
  TTextureLoadResult r;
  r.Path = IsTextureStyle(style) ? TexturePath(style) : std::string();
  std::error_code ec;
  if (r.Path.empty() || !std::filesystem::exists(r.Path, ec)) {
    r.Status = TTextureLoadResult::Missing;
  } else {
    // Decode into a scratch bitmap so a failed read cannot leave half a tile.
    TBitmap32 loaded;
    bool ok = false;
    try {
      ok = LoadImage && LoadImage(r.Path, loaded) && !loaded.Empty();
    } catch (const std::exception& e) {
      // A texture that cannot be read gives the plain canvas and its message.
      std::fprintf(stderr, "plumavo: reading the texture %s failed: %s\n", r.Path.c_str(), e.what());
      ok = false;
    }
    if (ok) {
      TextureBitmap = std::move(loaded);
      TextureBitmap.DrawMode = dmOpaque;
      return r;
    }
    // An existing file that cannot be read is as good as a missing one.
    r.Status = TTextureLoadResult::Unreadable;
  }
  p.CanvasStyle = csSolid;
  TextureBitmap.SetSize(0, 0);
  if (showMessages) {
    r.Message = "The texture image file:\n" + r.Path +
                (r.Status == TTextureLoadResult::Missing ? "\ndoes not exist." : "\ncannot be read.");
  }
  return r;
}

TTextureLoadResult TCanvasState::PrepareForProject(Project& p) {
  TTextureLoadResult r;
  PaintGradientBitmap(p, GradientBitmap);
  if (p.CanvasStyle >= kCanvasStyleCount) p.CanvasStyle = csSolid;
  if (p.CanvasStyle < csGrid) {
    TextureBitmap.SetSize(0, 0);
  } else if (p.CanvasStyle == csGrid) {
    TextureBitmap = GridTile();
  } else {
    r = LoadTexture(p, p.CanvasStyle, true);
  }
  TextureBitmap.DrawMode = dmOpaque;
  return r;
}

bool TCanvasState::ComposeCanvas(const Project& p, TBitmap32& layer, TBitmap32* view) {
  const int32_t w = p.Width, h = p.Height;
  if (w < kMinProjectSize || w > kMaxProjectSize || h < kMinProjectSize || h > kMaxProjectSize) return false;

  if (view != nullptr) {
    view->BeginUpdate();
    view->SetSize(w, h);
    view->Clear(Color32(p.BackColor));
  }
  layer.BeginUpdate();
  layer.SetSize(w, h);

  if (p.CanvasStyle == csSolid) {
    layer.Clear(Color32(p.CanvasColor));
  } else if (p.CanvasStyle == csGradient) {
    TBitmap32 stretched(GradientBitmap);
    stretched.DrawMode = dmOpaque;
    stretched.StretchFilter = sfLinear;
    layer.Draw(layer.BoundsRect(), stretched.BoundsRect(), stretched);
  } else if (!TextureBitmap.Empty()) {
    // Tiles from the top left; the last column and row (even when they lie
    // wholly outside) are clipped at the edge.
    const int32_t tw = TextureBitmap.Width(), th = TextureBitmap.Height();
    for (int32_t j = 0; j <= h / th; ++j)
      for (int32_t i = 0; i <= w / tw; ++i) CopyOpaque(layer, i * tw, j * th, TextureBitmap);
  }

  if (!p.BackgroundImage.Empty()) {
    // Truncating division: a larger image is centred and cropped evenly.
    CopyOpaque(layer, (w - p.BackgroundImage.Width()) / 2, (h - p.BackgroundImage.Height()) / 2, p.BackgroundImage);
  }

  layer.EndUpdate();
  layer.Changed();
  if (view != nullptr) {
    view->EndUpdate();
    view->Changed();
  }
  CanvasPicture.Assign(layer);
  CanvasPicture.DrawMode = dmOpaque;
  return true;
}

TStyleChangeResult TCanvasState::ChangeCanvasStyle(Project& p, uint16_t newIndex, const TStyleChoice& choice,
                                                   TBitmap32& layer, TBitmap32* view) {
  TStyleChangeResult r;
  r.ListIndex = p.CanvasStyle;
  if (newIndex >= kCanvasStyleCount) return r;

  uint16_t listIndex = newIndex;
  if (newIndex == csSolid) {
    if (!choice.Color) return r;
    p.CanvasColor = *choice.Color;
    r.SolidSwatchChanged = true;
    TextureBitmap.SetSize(0, 0);
  } else if (newIndex == csGradient) {
    if (!choice.Gradient) return r;
    const TGradientSettings& g = *choice.Gradient;
    p.GradientColorBegin = g.ColorBegin;
    p.GradientColorEnd = g.ColorEnd;
    p.GradientStyle = g.Style;
    p.GradientRotation = g.Rotation;
    p.GradientShift = g.Shift;
    PaintGradientBitmap(p, GradientBitmap);
    r.GradientSwatchChanged = true;
    TextureBitmap.SetSize(0, 0);
  } else if (newIndex == csGrid) {
    TextureBitmap = GridTile();
    TextureBitmap.DrawMode = dmOpaque;
  } else {
    r.Texture = LoadTexture(p, newIndex, true);
    if (!r.Texture->Ok()) listIndex = csSolid;
  }

  p.CanvasStyle = listIndex;
  p.ProjectSaved = false;
  r.Applied = true;
  r.ListIndex = listIndex;
  ComposeCanvas(p, layer, view);
  return r;
}

}  // namespace plumavo
