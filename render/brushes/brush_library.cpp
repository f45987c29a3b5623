#include "render/brushes/brush_library.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/brushes/brush_blob.h"

// The packed brush data, linked in by brush_blob_data.S.
extern "C" const unsigned char plumavo_brush_blob[];
extern "C" const unsigned char plumavo_brush_blob_end[];

namespace plumavo {
namespace {

// A grey disc with a soft rim: what a brush looks like when the packed data
// could not be used. Keeps sizes and alpha behaviour intact.
void PaintFallbackDisc(TColor32* px, int32_t side, int32_t stride, int shade) {
  const float r = float(side) / 2.0f;
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      const float dx = float(x) + 0.5f - r, dy = float(y) + 0.5f - r;
      const float cover = std::clamp(r - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
      px[size_t(y) * size_t(stride) + size_t(x)] =
          Color32(uint8_t(shade), uint8_t(shade), uint8_t(shade), uint8_t(std::lround(cover * 255.0f)));
    }
}

void CopyInto(const BrushPixels& src, TBitmap32& dst) {
  dst.SetSize(src.width, src.height);
  std::copy(src.pixels.begin(), src.pixels.end(), dst.Bits());
}

struct Library {
  TBitmap32List list;
  std::vector<TBitmap32> icons;
  TBitmap32 none;
  std::string error;

  Library() {
    for (int i = 0; i < kBrushListCount; ++i) list.Add();
    for (int i = 0; i < 4; ++i) {
      list[i].SetSize(i + 1, i + 1);
      list[i].Clear(0);
    }
    icons.resize(size_t(kBrushCount));

    BrushAssets assets;
    const size_t size = size_t(plumavo_brush_blob_end - plumavo_brush_blob);
    if (DecodeBrushBlob(plumavo_brush_blob, size, assets, &error)) {
      for (int b = kDotBrushCount; b < kBrushCount; ++b)
        CopyInto(assets.images[size_t(b - kDotBrushCount)], list[b + 1]);
      for (int b = 0; b < kBrushCount; ++b) CopyInto(assets.icons[size_t(b)], icons[size_t(b)]);
      return;
    }
    for (int b = kDotBrushCount; b < kBrushCount; ++b) {
      TBitmap32& bmp = list[b + 1];
      const int32_t w = BrushWidth(b), frames = BrushFrames(b);
      bmp.SetSize(w, w * frames);
      for (int32_t f = 0; f < frames; ++f) PaintFallbackDisc(bmp.ScanLine(f * w), w, w, 160);
    }
    for (int b = 0; b < kBrushCount; ++b) {
      icons[size_t(b)].SetSize(kBrushIconSize, kBrushIconSize);
      PaintFallbackDisc(icons[size_t(b)].Bits(), kBrushIconSize, kBrushIconSize, 96);
    }
  }
};

const Library& TheLibrary() {
  static const Library library;  // C++ guarantees one thread-safe construction
  return library;
}

}  // namespace

const TBitmap32List& BrushList() { return TheLibrary().list; }

const TBitmap32& BrushIcon(int brush) {
  const Library& lib = TheLibrary();
  return brush >= 0 && brush < kBrushCount ? lib.icons[size_t(brush)] : lib.none;
}

const std::string& BrushLibraryError() { return TheLibrary().error; }

}  // namespace plumavo
