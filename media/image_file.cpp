#include "media/image_file.h"

#include "media/image_library.h"
#include "model/png_block.h"
#include "surface/atomic_file.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

namespace plumavo {

namespace {

// A picture the library made; it exists only once the library is loaded.
struct DibDeleter {
  void operator()(FIBITMAP* dib) const {
    if (dib) LoadImageLibrary()->FreeImage_Unload(dib);
  }
};
using DibPtr = std::unique_ptr<FIBITMAP, DibDeleter>;

struct Size2 {
  int64_t Width = 0;
  int64_t Height = 0;
};

bool SideInRange(int64_t side) { return side >= kImageFileMinSide && side <= kImageFileMaxSide; }
bool SizeInRange(const Size2& s) { return SideInRange(s.Width) && SideInRange(s.Height); }

// Reads exactly n bytes at the current position.
bool ReadBytes(std::ifstream& in, uint8_t* out, std::streamsize n) {
  in.read(reinterpret_cast<char*>(out), n);
  return in.gcount() == n;
}

// GIF decoders allocate the first frame's size, given in its image
// descriptor after the colour table and any extension blocks.
std::optional<Size2> GifFrameSize(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::array<uint8_t, 13> header{};
  if (!in || !ReadBytes(in, header.data(), 13) || std::memcmp(header.data(), "GIF", 3) != 0) return std::nullopt;
  if (header[10] & 0x80) in.seekg(3 << ((header[10] & 7) + 1), std::ios::cur);
  for (int blocks = 0; blocks < 4096; ++blocks) {
    uint8_t intro = 0;
    if (!ReadBytes(in, &intro, 1)) return std::nullopt;
    if (intro == 0x2C) {
      std::array<uint8_t, 8> d{};
      if (!ReadBytes(in, d.data(), 8)) return std::nullopt;
      return Size2{d[4] | (d[5] << 8), d[6] | (d[7] << 8)};
    }
    if (intro != 0x21) return std::nullopt;  // trailer or junk before any frame
    uint8_t label = 0, length = 0;
    if (!ReadBytes(in, &label, 1) || !ReadBytes(in, &length, 1)) return std::nullopt;
    while (length != 0) {
      in.seekg(length, std::ios::cur);
      if (!ReadBytes(in, &length, 1)) return std::nullopt;
    }
  }
  return std::nullopt;
}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// IFF ILBM/PBM pictures carry their size in the BMHD chunk.
std::optional<Size2> IffSize(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::array<uint8_t, 12> form{};
  if (!in || !ReadBytes(in, form.data(), 12) || std::memcmp(form.data(), "FORM", 4) != 0) return std::nullopt;
  for (int chunks = 0; chunks < 256; ++chunks) {
    std::array<uint8_t, 8> chunk{};
    if (!ReadBytes(in, chunk.data(), 8)) return std::nullopt;
    const uint32_t length = BigEndian32(chunk.data() + 4);
    if (std::memcmp(chunk.data(), "BMHD", 4) == 0) {
      std::array<uint8_t, 4> wh{};
      if (length < 4 || !ReadBytes(in, wh.data(), 4)) return std::nullopt;
      return Size2{(wh[0] << 8) | wh[1], (wh[2] << 8) | wh[3]};
    }
    in.seekg(std::streamoff(length) + (length & 1), std::ios::cur);
  }
  return std::nullopt;
}

// The picture's size read without decoding its pixels, so that a file that
// claims a huge size is refused before the decoder allocates for it. Formats
// whose size cannot be learnt beforehand are not decoded at all.
std::optional<Size2> SizeBeforeDecoding(const ImageLibrary& fi, FREE_IMAGE_FORMAT fif, const std::string& fileName,
                                        int32_t flags) {
  if (fi.FreeImage_FIFSupportsNoPixels(fif)) {
    DibPtr header(fi.FreeImage_Load(fif, fileName.c_str(), flags | FIF_LOAD_NOPIXELS));
    if (!header) return std::nullopt;
    return Size2{fi.FreeImage_GetWidth(header.get()), fi.FreeImage_GetHeight(header.get())};
  }
  if (fif == FIF_GIF) return GifFrameSize(fileName);
  if (fif == FIF_IFF) return IffSize(fileName);
  return std::nullopt;
}

// Any decoded picture as 32-bit BGRA rows: palettes expanded, 16-bit and
// floating-point channels scaled down to 8 bits.
DibPtr To32Bits(const ImageLibrary& fi, FIBITMAP* dib) {
  DibPtr converted(fi.FreeImage_ConvertTo32Bits(dib));
  if (!converted && fi.FreeImage_GetImageType(dib) != FIT_BITMAP) {
    DibPtr standard(fi.FreeImage_ConvertToStandardType(dib, TRUE));
    if (standard) converted.reset(fi.FreeImage_ConvertTo32Bits(standard.get()));
  }
  if (converted &&
      (fi.FreeImage_GetImageType(converted.get()) != FIT_BITMAP || fi.FreeImage_GetBPP(converted.get()) != 32))
    converted.reset();
  return converted;
}

bool LoadUnguarded(TBitmap32& target, const std::string& fileName, int32_t flags) {
  const ImageLibrary* loaded = LoadImageLibrary();
  if (loaded == nullptr) return false;  // the reason is in the log
  const ImageLibrary& fi = *loaded;
  const char* name = fileName.c_str();
  FREE_IMAGE_FORMAT fif = fi.FreeImage_GetFileType(name, 0);
  if (fif == FIF_UNKNOWN) fif = fi.FreeImage_GetFIFFromFilename(name);
  if (fif == FIF_UNKNOWN || !fi.FreeImage_FIFSupportsReading(fif)) return false;

  const std::optional<Size2> announced = SizeBeforeDecoding(fi, fif, fileName, flags);
  if (!announced || !SizeInRange(*announced)) return false;

  DibPtr dib(fi.FreeImage_Load(fif, name, flags));
  if (!dib || !fi.FreeImage_HasPixels(dib.get())) return false;
  const Size2 size{fi.FreeImage_GetWidth(dib.get()), fi.FreeImage_GetHeight(dib.get())};
  if (!SizeInRange(size)) return false;

  DibPtr rgba = To32Bits(fi, dib.get());
  dib.reset();
  if (!rgba) return false;

  const auto w = int32_t(size.Width), h = int32_t(size.Height);
  target.SetSize(w, h);
  // FreeImage keeps rows bottom-up; its 32-bit pixels are B, G, R, A bytes,
  // which on a little-endian machine is the 0xAARRGGBB of TColor32. Alpha
  // is dropped: the picture is always opaque.
  for (int32_t y = 0; y < h; ++y) {
    const BYTE* src = fi.FreeImage_GetScanLine(rgba.get(), h - 1 - y);
    TColor32* dst = target.ScanLine(y);
    for (int32_t x = 0; x < w; ++x, src += 4)
      dst[x] = Color32(src[FI_RGBA_RED], src[FI_RGBA_GREEN], src[FI_RGBA_BLUE], 255);
  }
  target.Changed();
  return true;
}

bool StoresPalettes(FREE_IMAGE_FORMAT fif) {
  return fif == FIF_GIF || fif == FIF_BMP || fif == FIF_PNG || fif == FIF_TIFF || fif == FIF_TARGA;
}

// PNG, what the command-line tool and the thumbnailer write, goes through
// libpng, which the program has for project files anyway: loading the image
// library with its twenty-odd codecs takes longer than rendering and writing a
// small picture. The file holds the same 24-bit pixels.
bool SavePng(const TBitmap32& source, const std::string& fileName) {
  std::vector<uint8_t> bytes;
  if (!EncodePngRgb(source, bytes)) return false;
  return WriteFileAtomically(fileName, bytes.data(), bytes.size()) == TWriteResult::Written;
}

bool SaveUnguarded(const TBitmap32& source, const std::string& fileName, const std::string& formatName, int32_t flags) {
  if (source.Empty()) return false;
  if (flags != kSaveQuantize && LowerExtension(formatName.empty() ? fileName : formatName) == "png")
    return SavePng(source, fileName);
  const ImageLibrary* loaded = LoadImageLibrary();
  if (loaded == nullptr) return false;  // the reason is in the log
  const ImageLibrary& fi = *loaded;
  const char* name = fileName.c_str();
  const FREE_IMAGE_FORMAT fif = fi.FreeImage_GetFIFFromFilename(formatName.empty() ? name : formatName.c_str());
  if (fif == FIF_UNKNOWN) return false;

  const int32_t w = source.Width(), h = source.Height();
  DibPtr dib(fi.FreeImage_Allocate(w, h, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
  if (!dib) return false;
  for (int32_t y = 0; y < h; ++y) {
    BYTE* dst = fi.FreeImage_GetScanLine(dib.get(), h - 1 - y);
    const TColor32* src = source.ScanLine(y);
    for (int32_t x = 0; x < w; ++x, dst += 4) {
      dst[FI_RGBA_RED] = RedComponent(src[x]);
      dst[FI_RGBA_GREEN] = GreenComponent(src[x]);
      dst[FI_RGBA_BLUE] = BlueComponent(src[x]);
      dst[FI_RGBA_ALPHA] = 255;
    }
  }

  DibPtr image(fi.FreeImage_ConvertTo24Bits(dib.get()));
  dib.reset();
  if (!image) return false;
  if (flags == kSaveQuantize) {
    DibPtr reduced(fi.FreeImage_ColorQuantize(image.get(), FIQ_NNQUANT));
    // The neural-net quantiser refuses some small pictures; Wu's does not.
    if (!reduced) reduced.reset(fi.FreeImage_ColorQuantize(image.get(), FIQ_WUQUANT));
    if (!reduced) return false;
    // Formats without colour tables (PPM writes the indices as grey levels)
    // get the reduced colours back as 24-bit pixels.
    if (!StoresPalettes(fif)) reduced.reset(fi.FreeImage_ConvertTo24Bits(reduced.get()));
    if (!reduced) return false;
    image = std::move(reduced);
  }

  const FREE_IMAGE_TYPE type = fi.FreeImage_GetImageType(image.get());
  const bool writable = type == FIT_BITMAP
                            ? fi.FreeImage_FIFSupportsWriting(fif) &&
                                  fi.FreeImage_FIFSupportsExportBPP(fif, int(fi.FreeImage_GetBPP(image.get())))
                            : fi.FreeImage_FIFSupportsExportType(fif, type);
  if (!writable) return false;

  // Encoded in memory first: the library's own file writes go unchecked, and
  // a full disk would leave a truncated file reported as written. The bytes
  // then replace the old file only once they are safely on the disk.
  // The quantising marker is not an encoder option: passed on, its set bits
  // would ask BMP for RLE compression that FreeImage cannot read back.
  const auto closeMemory = [&fi](FIMEMORY* m) { fi.FreeImage_CloseMemory(m); };
  std::unique_ptr<FIMEMORY, decltype(closeMemory)> memory(fi.FreeImage_OpenMemory(nullptr, 0), closeMemory);
  if (!memory || !fi.FreeImage_SaveToMemory(fif, image.get(), memory.get(), flags == kSaveQuantize ? 0 : flags))
    return false;
  BYTE* bytes = nullptr;
  DWORD size = 0;
  if (!fi.FreeImage_AcquireMemory(memory.get(), &bytes, &size) || bytes == nullptr || size == 0) return false;
  return WriteFileAtomically(fileName, bytes, size) == TWriteResult::Written;
}

}  // namespace

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool LoadImageFile(TBitmap32& target, const std::string& fileName, int32_t flags) {
  // The boundary of a file read: whatever the file does to the decoder, the
  // caller hears "not loaded" and tells the user.
  try {
    return LoadUnguarded(target, fileName, flags);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plumavo: reading %s failed: %s\n", fileName.c_str(), e.what());
    return false;
  }
}

bool SaveImageFile(const TBitmap32& source, const std::string& fileName, int32_t flags) {
  try {
    return SaveUnguarded(source, fileName, {}, flags);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plumavo: writing %s failed: %s\n", fileName.c_str(), e.what());
    return false;
  }
}

bool SaveImageFileAs(const TBitmap32& source, const std::string& fileName, const std::string& extension,
                     int32_t flags) {
  try {
    return SaveUnguarded(source, fileName, "x." + extension, flags);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plumavo: writing %s failed: %s\n", fileName.c_str(), e.what());
    return false;
  }
}

}  // namespace plumavo
