// Writes the sample projects of resources/samples and, on request, a preview
// PNG of each rendered on its solid canvas colour:
//   plumavo-samplegen SAMPLES_DIR [PREVIEW_DIR [LOOPS]]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "model/png_block.h"
#include "model/project_file.h"
#include "render/ifs/renderer.h"

namespace {

using namespace plumavo;

ShapeSettings Brush(TColor color, int32_t brush, int32_t mode = 0, int32_t opacity = 255, bool diffusing = false,
                    int32_t len = 1) {
  ShapeSettings s;
  s.Color = color;
  s.Brush = brush;
  s.BlendingMode = mode;
  s.BrushOpacity = opacity;
  s.Diffusing = diffusing;
  s.DiffusingLen = len;
  return s;
}

struct Shape {
  std::vector<Vertex> corners;
  ShapeSettings settings;
};

Project Build(ShapeMode mode, int32_t w, int32_t h, TColor canvas, const std::vector<Shape>& shapes) {
  Project p;
  ResetProject(p, w, h, true, mode);
  p.CanvasColor = canvas;
  for (const Shape& s : shapes)
    for (const Vertex& v : s.corners) AppendVertex(p, v.X, v.Y, s.settings);
  return p;
}

// A fern from four affine maps given in fern units (x across, y up), placed
// with x at 300 + 56 x and y at 585 - 56 y on a 600 x 600 canvas.
Project Fern() {
  auto px = [](double x, double y) {
    return Vertex{int32_t(std::lround(300 + 56 * x)), int32_t(std::lround(585 - 56 * y))};
  };
  struct Map {
    double a, b, c, d, e, f;
  };
  const double P[3][2] = {{-2.5, 0.0}, {2.5, 0.0}, {0.0, 10.0}};
  auto image = [&](const Map& m) {
    std::vector<Vertex> v;
    for (const auto& q : P) v.push_back(px(m.a * q[0] + m.b * q[1] + m.c, m.d * q[0] + m.e * q[1] + m.f));
    return v;
  };
  std::vector<Vertex> main;
  for (const auto& q : P) main.push_back(px(q[0], q[1]));
  return Build(ShapeMode::Affine, 600, 600, 0xF4FAF6,
               {{main, {}},
                {image({0.85, 0.04, 0.0, -0.04, 0.85, 1.6}), Brush(0x2E8B3A, 1, 0, 230)},
                {image({0.20, -0.26, 0.0, 0.23, 0.22, 1.6}), Brush(0x48B050, 1, 0, 230)},
                {image({-0.15, 0.28, 0.0, 0.26, 0.24, 0.44}), Brush(0x3C9E46, 1, 0, 230)},
                {image({0.03, 0.0, 0.0, 0.0, 0.16, 0.0}), Brush(0x205A7A, 2, 0, 255)}});
}

// A Sierpinski triangle of glassy balls on a dark canvas.
Project Sierpinski() {
  const Vertex a{40, 560}, b{600, 560}, c{320, 50};
  auto mid = [](Vertex u, Vertex v) { return Vertex{(u.X + v.X) / 2, (u.Y + v.Y) / 2}; };
  return Build(ShapeMode::Affine, 640, 600, 0x302018,
               {{{a, b, c}, {}},
                {{a, mid(a, b), mid(a, c)}, Brush(0, 65, 0, 255)},     // "3D Ball 4", 12 px
                {{mid(a, b), b, mid(b, c)}, Brush(0, 92, 0, 255)},     // "Crystal Ball 2", 12 px
                {{mid(a, c), mid(b, c), c}, Brush(0, 107, 0, 255)}});  // "Jelly 1", 12 px
}

// Projective: a square whose corners turn inward in perspective, with a
// sparkling spiral and three quiet corner copies.
Project Tunnel() {
  return Build(ShapeMode::Projective, 640, 640, 0x200A0A,
               {{{{40, 40}, {600, 40}, {600, 600}, {40, 600}}, {}},
                {{{150, 70}, {590, 140}, {520, 560}, {80, 500}}, Brush(0x30C0FF, 2, 2, 255)},  // Screen
                {{{40, 40}, {170, 48}, {160, 170}, {46, 160}}, Brush(0xFF80C0, 1, 12, 255)},   // Additive
                {{{470, 470}, {600, 480}, {600, 600}, {480, 592}}, Brush(0x60FFA0, 1, 12, 255)},
                {{{40, 480}, {160, 470}, {170, 600}, {40, 600}}, Brush(0, 156, 12, 200)}});  // "Sparkle 1"
}

bool WritePng(const TBitmap32& image, const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!EncodePngRgb(image, bytes)) return false;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fputs("usage: plumavo-samplegen SAMPLES_DIR [PREVIEW_DIR [LOOPS]]\n", stderr);
    return 1;
  }
  const std::string dir = argv[1];
  const struct {
    const char* name;
    std::function<Project()> make;
  } samples[] = {{"Fern", Fern}, {"SierpinskiBalls", Sierpinski}, {"TunnelSpiral", Tunnel}};
  int failures = 0;
  for (const auto& s : samples) {
    Project p = s.make();
    const std::string file = dir + "/" + s.name + ".plv";
    if (SaveProject(p, file) != kFileOk) {
      std::fprintf(stderr, "cannot write %s\n", file.c_str());
      ++failures;
      continue;
    }
    if (argc < 3) continue;
    // Render what was saved, as the program would after opening it.
    Project loaded;
    if (LoadProject(loaded, file) != kFileOk) {
      std::fprintf(stderr, "cannot read back %s\n", file.c_str());
      ++failures;
      continue;
    }
    ResetProject(loaded, loaded.Width, loaded.Height, false, loaded.Mode);
    TRenderer r;
    if (argc == 4) r.Preferences.RenderingLoops = std::atoi(argv[3]);
    TBitmap32 canvas(loaded.Width, loaded.Height);
    canvas.Clear(Color32(loaded.CanvasColor));
    TBitmap32 layer(loaded.Width, loaded.Height);
    r.RenderImage(loaded, canvas, layer);
    const std::string png = std::string(argv[2]) + "/" + s.name + ".png";
    if (!WritePng(layer, png)) {
      std::fprintf(stderr, "cannot write %s\n", png.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 2;
}
