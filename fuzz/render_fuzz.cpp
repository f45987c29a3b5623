// Load, then render: a project that the reader accepts must render without
// touching memory it does not own, at a small size and few loops.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "canvas/canvas_style.h"
#include "model/project_file.h"
#include "render/ifs/renderer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plumavo::Project p;
  if (plumavo::ParseProject(data, size, p) != plumavo::kFileOk) return 0;
  // Keep each run short: the picture is cut down to at most 128 x 128; what
  // lies outside is drawn off the canvas, which the renderer must handle too.
  plumavo::ResetProject(p, std::min(p.Width, 128), std::min(p.Height, 128), false, p.Mode);
  plumavo::TCanvasState canvas;
  canvas.TextureFolder = "/nonexistent/";
  plumavo::TBitmap32 layer;
  (void)canvas.PrepareForProject(p);
  if (!canvas.ComposeCanvas(p, layer)) return 0;
  plumavo::TRenderer renderer;
  renderer.Preferences.RenderingLoops = 2000;
  renderer.RenderImage(p, canvas.CanvasPicture, layer);
  return 0;
}
