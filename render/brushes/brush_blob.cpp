#include "render/brushes/brush_blob.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "render/brushes/brush_tables.h"

namespace plumavo {
namespace {

constexpr char kMagic[4] = {'P', 'V', 'B', 'R'};
constexpr uint32_t kVersion = 2;
constexpr size_t kHeaderSize = 12;

// Expected sizes straight from the tables; the blob must agree with them.
void ExpectedImageSize(int brush, int32_t& w, int32_t& h) {
  w = BrushWidth(brush);
  h = BrushWidth(brush) * BrushFrames(brush);
}

constexpr size_t kIconsSize = size_t(kBrushCount) * (8 + 4 * kBrushIconSize * kBrushIconSize);

size_t ExpectedPayloadSize() {
  size_t total = kIconsSize;
  for (int b = kDotBrushCount; b < kBrushCount; ++b) {
    int32_t w, h;
    ExpectedImageSize(b, w, h);
    total += 8 + 4 * size_t(w) * size_t(h);
  }
  return total;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool PutEntry(std::vector<uint8_t>& out, const BrushPixels& e, int32_t w, int32_t h, const std::string& what,
              std::string* error) {
  if (e.width != w || e.height != h || e.pixels.size() != size_t(w) * size_t(h))
    return Fail(error, what + ": expected " + std::to_string(w) + "x" + std::to_string(h) + ", got " +
                           std::to_string(e.width) + "x" + std::to_string(e.height));
  PutU32(out, uint32_t(w));
  PutU32(out, uint32_t(h));
  for (uint32_t p : e.pixels) PutU32(out, p);
  return true;
}

// Reads one stored image at `pos`, checking it fits and has the given size.
bool GetEntry(const std::vector<uint8_t>& in, size_t& pos, int32_t w, int32_t h, BrushPixels& e,
              const std::string& what, std::string* error) {
  if (in.size() - pos < 8) return Fail(error, what + ": truncated header");
  const int32_t sw = int32_t(GetU32(&in[pos]));
  const int32_t sh = int32_t(GetU32(&in[pos + 4]));
  pos += 8;
  if (sw != w || sh != h)
    return Fail(error, what + ": stored size " + std::to_string(sw) + "x" + std::to_string(sh) + " instead of " +
                           std::to_string(w) + "x" + std::to_string(h));
  const size_t n = size_t(w) * size_t(h);
  if ((in.size() - pos) / 4 < n) return Fail(error, what + ": truncated pixels");
  e.width = w;
  e.height = h;
  e.pixels.resize(n);
  for (size_t i = 0; i < n; ++i, pos += 4) e.pixels[i] = GetU32(&in[pos]);
  return true;
}

std::string ImageName(int brush) { return "brush " + std::to_string(brush); }
std::string IconName(int brush) { return "icon " + std::to_string(brush); }

// The signature, the version and the declared payload size.
bool CheckHeader(const uint8_t* data, size_t size, std::string* error) {
  if (data == nullptr || size < kHeaderSize) return Fail(error, "brush data missing or too short");
  if (std::memcmp(data, kMagic, 4) != 0) return Fail(error, "brush data has a wrong signature");
  if (GetU32(data + 4) != kVersion) return Fail(error, "brush data has an unknown version");
  // The payload size is fixed by the tables, so a forged size can neither
  // make us allocate wildly nor disagree with what follows.
  if (GetU32(data + 8) != ExpectedPayloadSize()) return Fail(error, "brush data has a wrong payload size");
  if (size - kHeaderSize > std::numeric_limits<uLong>::max()) return Fail(error, "brush data too large");
  return true;
}

bool GetIcons(const std::vector<uint8_t>& in, size_t& pos, std::vector<BrushPixels>& icons, std::string* error) {
  icons.resize(size_t(kBrushCount));
  for (int b = 0; b < kBrushCount; ++b)
    if (!GetEntry(in, pos, kBrushIconSize, kBrushIconSize, icons[size_t(b)], IconName(b), error)) return false;
  return true;
}

}  // namespace

bool EncodeBrushBlob(const BrushAssets& assets, std::vector<uint8_t>& blob, std::string* error) {
  if (assets.images.size() != size_t(kBrushCount - kDotBrushCount) || assets.icons.size() != size_t(kBrushCount))
    return Fail(error, "wrong number of images or icons");
  std::vector<uint8_t> payload;
  payload.reserve(ExpectedPayloadSize());
  for (int b = 0; b < kBrushCount; ++b)
    if (!PutEntry(payload, assets.icons[size_t(b)], kBrushIconSize, kBrushIconSize, IconName(b), error)) return false;
  for (int b = kDotBrushCount; b < kBrushCount; ++b) {
    int32_t w, h;
    ExpectedImageSize(b, w, h);
    if (!PutEntry(payload, assets.images[size_t(b - kDotBrushCount)], w, h, ImageName(b), error)) return false;
  }

  uLongf packedSize = compressBound(uLong(payload.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, payload.data(), uLong(payload.size()), Z_BEST_COMPRESSION) != Z_OK)
    return Fail(error, "compression failed");
  blob.assign(kHeaderSize + packedSize, 0);
  std::memcpy(blob.data(), kMagic, 4);
  for (int i = 0; i < 4; ++i) {
    blob[4 + size_t(i)] = uint8_t(kVersion >> (8 * i));
    blob[8 + size_t(i)] = uint8_t(uint32_t(payload.size()) >> (8 * i));
  }
  std::memcpy(blob.data() + kHeaderSize, packed.data(), packedSize);
  return true;
}

bool DecodeBrushBlob(const uint8_t* data, size_t size, BrushAssets& assets, std::string* error) {
  assets = {};
  if (!CheckHeader(data, size, error)) return false;
  const size_t expected = ExpectedPayloadSize();
  std::vector<uint8_t> payload(expected);
  uLongf outSize = uLongf(expected);
  const int rc = uncompress(payload.data(), &outSize, data + kHeaderSize, uLong(size - kHeaderSize));
  if (rc != Z_OK)
    return Fail(error, rc == Z_BUF_ERROR ? "brush data inflates past its size or is cut short"
                                         : "brush data is not a valid zlib stream");
  if (outSize != expected) return Fail(error, "brush data inflates to the wrong size");

  BrushAssets out;
  size_t pos = 0;
  if (!GetIcons(payload, pos, out.icons, error)) return false;
  out.images.resize(size_t(kBrushCount - kDotBrushCount));
  for (int b = kDotBrushCount; b < kBrushCount; ++b) {
    int32_t w, h;
    ExpectedImageSize(b, w, h);
    if (!GetEntry(payload, pos, w, h, out.images[size_t(b - kDotBrushCount)], ImageName(b), error)) return false;
  }
  if (pos != payload.size()) return Fail(error, "brush data has trailing bytes");
  assets = std::move(out);
  return true;
}

bool DecodeBrushIcons(const uint8_t* data, size_t size, std::vector<BrushPixels>& icons, std::string* error) {
  icons.clear();
  if (!CheckHeader(data, size, error)) return false;
  // Only as much of the stream as holds the icons.
  std::vector<uint8_t> front(kIconsSize);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return Fail(error, "brush data could not be inflated");
  z.next_in = const_cast<Bytef*>(data + kHeaderSize);  // zlib's interface is not const; it only reads
  z.avail_in = uInt(std::min<size_t>(size - kHeaderSize, std::numeric_limits<uInt>::max()));
  z.next_out = front.data();
  z.avail_out = uInt(front.size());
  const int rc = inflate(&z, Z_SYNC_FLUSH);
  const size_t got = front.size() - z.avail_out;
  inflateEnd(&z);
  if ((rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) || got != front.size())
    return Fail(error, rc == Z_DATA_ERROR ? "brush data is not a valid zlib stream"
                                          : "brush data is cut short before the end of the icons");
  std::vector<BrushPixels> out;
  size_t pos = 0;
  if (!GetIcons(front, pos, out, error)) return false;
  icons = std::move(out);
  return true;
}

}  // namespace plumavo
