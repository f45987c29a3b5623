#include "model/png_block.h"

#include <png.h>

#include <cstring>
#include <memory>

namespace plumavo {

bool EncodePngRgb(const TBitmap32& image, std::vector<uint8_t>& out) {
  if (image.Empty()) return false;
  const int32_t w = image.Width(), h = image.Height();
  std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
  uint8_t* d = rgb.data();
  for (int32_t y = 0; y < h; ++y) {
    const TColor32* s = image.ScanLine(y);
    for (int32_t x = 0; x < w; ++x) {
      *d++ = RedComponent(s[x]);
      *d++ = GreenComponent(s[x]);
      *d++ = BlueComponent(s[x]);
    }
  }
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = png_uint_32(w);
  img.height = png_uint_32(h);
  img.format = PNG_FORMAT_RGB;
  // Room for the largest stream the picture can make, so that it is
  // compressed once: asking libpng for the size first compresses it twice.
  out.resize(PNG_IMAGE_PNG_SIZE_MAX(img));
  png_alloc_size_t size = out.size();
  if (!png_image_write_to_memory(&img, out.data(), &size, 0, rgb.data(), 0, nullptr) || size == 0 ||
      size > out.size()) {
    out.clear();
    return false;
  }
  out.resize(size);
  return true;
}

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// libpng allocates a chunk's buffer from the length the chunk claims before
// it has read the bytes: four bytes in a small file could make it ask for
// two gigabytes. Every chunk must fit in what was handed over, so nothing is
// allocated for bytes that are not there.
bool ChunksFitInData(const uint8_t* data, size_t size) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0) return false;
  size_t at = 8;
  while (at + 12 <= size) {
    const uint32_t length = BigEndian32(data + at);
    if (length > 0x7FFFFFFFu || length > size - at - 12) return false;
    const bool end = std::memcmp(data + at + 4, "IEND", 4) == 0;
    at += size_t(length) + 12;
    if (end) return true;
  }
  return false;  // no IEND before the data ran out
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, TBitmap32& out, int32_t minSide, int32_t maxSide) {
  if (data == nullptr || size == 0) return false;
  if (!ChunksFitInData(data, size)) return false;
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, data, size)) return false;
  // From here on libpng holds state that png_image_free releases.
  std::unique_ptr<png_image, void (*)(png_imagep)> guard(&img, png_image_free);
  if (img.width < png_uint_32(minSide) || img.height < png_uint_32(minSide) || img.width > png_uint_32(maxSide) ||
      img.height > png_uint_32(maxSide))
    return false;
  // BGRA bytes are 0xAARRGGBB words on a little-endian machine.
  img.format = PNG_FORMAT_BGRA;
  TBitmap32 decoded(int32_t(img.width), int32_t(img.height));
  static_assert(sizeof(TColor32) == 4);
  if (!png_image_finish_read(&img, nullptr, decoded.Bits(), 0, nullptr)) return false;
  for (int32_t y = 0; y < decoded.Height(); ++y) {
    TColor32* row = decoded.ScanLine(y);
    for (int32_t x = 0; x < decoded.Width(); ++x) row[x] |= 0xFF000000u;
  }
  out = std::move(decoded);
  return true;
}

}  // namespace plumavo
