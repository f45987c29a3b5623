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

// What the library is unpacked from.
const uint8_t* BlobData() { return plumavo_brush_blob; }
size_t BlobSize() { return size_t(plumavo_brush_blob_end - plumavo_brush_blob); }

// The icons alone: the window shows them at once, and they come first in
// the packed data, so the images need not be inflated for them.
struct Icons {
  std::vector<TBitmap32> icons;
  TBitmap32 none;
  std::string error;

  Icons() {
    icons.resize(size_t(kBrushCount));
    std::vector<BrushPixels> decoded;
    if (DecodeBrushIcons(BlobData(), BlobSize(), decoded, &error)) {
      for (int b = 0; b < kBrushCount; ++b) CopyInto(decoded[size_t(b)], icons[size_t(b)]);
      return;
    }
    for (int b = 0; b < kBrushCount; ++b) {
      icons[size_t(b)].SetSize(kBrushIconSize, kBrushIconSize);
      PaintFallbackDisc(icons[size_t(b)].Bits(), kBrushIconSize, kBrushIconSize, 96);
    }
  }
};

// The brush images, unpacked when the first one is drawn.
struct Images {
  TBitmap32List list;
  std::string error;

  Images() {
    for (int i = 0; i < kBrushListCount; ++i) list.Add();
    for (int i = 0; i < 4; ++i) {
      list[i].SetSize(i + 1, i + 1);
      list[i].Clear(0);
    }
    BrushAssets assets;
    if (DecodeBrushBlob(BlobData(), BlobSize(), assets, &error)) {
      for (int b = kDotBrushCount; b < kBrushCount; ++b)
        CopyInto(assets.images[size_t(b - kDotBrushCount)], list[b + 1]);
      return;
    }
    for (int b = kDotBrushCount; b < kBrushCount; ++b) {
      TBitmap32& bmp = list[b + 1];
      const int32_t w = BrushWidth(b), frames = BrushFrames(b);
      bmp.SetSize(w, w * frames);
      for (int32_t f = 0; f < frames; ++f) PaintFallbackDisc(bmp.ScanLine(f * w), w, w, 160);
    }
  }
};

// C++ guarantees one thread-safe construction of each.
const Icons& TheIcons() {
  static const Icons icons;
  return icons;
}

const Images& TheImages() {
  static const Images images;
  return images;
}

}  // namespace

const TBitmap32List& BrushList() { return TheImages().list; }

const TBitmap32& BrushIcon(int brush) {
  const Icons& icons = TheIcons();
  return brush >= 0 && brush < kBrushCount ? icons.icons[size_t(brush)] : icons.none;
}

const std::string& BrushLibraryError() {
  // The whole stream is only checked with the images.
  const std::string& images = TheImages().error;
  return images.empty() ? TheIcons().error : images;
}

}  // namespace plumavo
