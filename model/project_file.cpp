#include "model/project_file.h"

#include "surface/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "model/png_block.h"

namespace plumavo {

static_assert(std::endian::native == std::endian::little, "the file format is stored as little-endian memory images");

namespace {

// Largest project file we agree to read into memory; far beyond any real one.
constexpr std::streamoff kMaxFileSize = std::streamoff(1) << 30;

class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
  template <typename T>
  void Put(const T& v) {
    out_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void PutBytes(const void* data, size_t n) { out_.append(static_cast<const char*>(data), n); }

 private:
  std::string& out_;
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : p_(data), left_(size) {}
  size_t Left() const { return left_; }
  template <typename T>
  bool Get(T& v) {
    if (left_ < sizeof v) return false;
    std::memcpy(&v, p_, sizeof v);
    p_ += sizeof v;
    left_ -= sizeof v;
    return true;
  }
  const uint8_t* Take(size_t n) {
    if (left_ < n) return nullptr;
    const uint8_t* at = p_;
    p_ += n;
    left_ -= n;
    return at;
  }

 private:
  const uint8_t* p_;
  size_t left_;
};

template <int N>
bool ValidRecord(const ShapeRecord<N>& r) {
  return r.Diffusing <= 1 && r.DiffusingLen >= 1 && r.DiffusingLen <= kMaxDiffusingLen && r.Brush >= 0 &&
         r.Brush < kBrushCount && r.BlendingMode >= 0 && r.BlendingMode < kBlendModeIndexCount && r.BrushOpacity >= 0 &&
         r.BrushOpacity <= 255;
}

template <int N>
bool ReadShapes(Reader& in, int32_t vertexCount, int32_t& count, int32_t& selected,
                std::vector<ShapeRecord<N>>& shapes) {
  if (!in.Get(count) || !in.Get(selected)) return false;
  // Exactly the shapes the vertices make, the last one possibly incomplete.
  if (count < 0 || int64_t(count) != (int64_t(vertexCount) + N - 1) / N) return false;
  if (uint64_t(count) * sizeof(ShapeRecord<N>) > in.Left()) return false;
  if (selected < -2 || selected >= count) return false;
  shapes.resize(size_t(count));
  for (auto& r : shapes) {
    if (!in.Get(r) || !ValidRecord(r)) return false;
  }
  return true;
}

}  // namespace

bool SerializeProject(const Project& p, std::string& out) {
  const int32_t v = p.VertexCount;
  const int32_t s = p.ShapeCount();
  const bool affine = p.Mode == ShapeMode::Affine;
  if (v < 0 || size_t(v) > p.Vertices.size() || s < 0 ||
      size_t(s) > (affine ? p.AffineShapes.size() : p.ProjectiveShapes.size()))
    return false;
  out.clear();
  Writer w(out);
  w.Put<uint16_t>(affine ? kAffineMagic : kProjectiveMagic);
  w.Put(p.Width);
  w.Put(p.Height);
  w.Put(p.BackColor);
  w.Put(v);
  w.PutBytes(p.Vertices.data(), size_t(v) * sizeof(Vertex));
  w.Put(s);
  w.Put(p.Selected());
  if (affine)
    w.PutBytes(p.AffineShapes.data(), size_t(s) * sizeof(AffineShape));
  else
    w.PutBytes(p.ProjectiveShapes.data(), size_t(s) * sizeof(ProjectiveShape));
  w.Put(p.CanvasStyle);
  w.Put(p.CanvasColor);
  w.Put(p.GradientColorBegin);
  w.Put(p.GradientColorEnd);
  w.Put(p.GradientStyle);
  w.Put(p.GradientRotation);
  w.Put(p.GradientShift);
  w.Put(uint8_t(0));
  if (p.BackgroundImage.Empty()) {
    w.Put(int64_t(0));
  } else {
    std::vector<uint8_t> png;
    if (!EncodePngRgb(p.BackgroundImage, png)) return false;
    w.Put(int64_t(png.size()));
    w.PutBytes(png.data(), png.size());
  }
  return true;
}

uint8_t ParseProject(const uint8_t* data, size_t size, Project& out) {
  Reader in(data, size);
  uint16_t magic = 0;
  if (!in.Get(magic) || (magic != kAffineMagic && magic != kProjectiveMagic)) return kFileNotProject;
  Project q;
  q.Mode = magic == kAffineMagic ? ShapeMode::Affine : ShapeMode::Projective;
  if (!in.Get(q.Width) || !in.Get(q.Height)) return kFileBadContents;
  if (q.Width < kMinProjectSize || q.Width > kMaxProjectSize || q.Height < kMinProjectSize ||
      q.Height > kMaxProjectSize)
    return kFileBadContents;
  if (!in.Get(q.BackColor) || !in.Get(q.VertexCount)) return kFileBadContents;
  if (q.VertexCount < 0 || uint64_t(q.VertexCount) * sizeof(Vertex) > in.Left()) return kFileBadContents;
  q.Vertices.resize(size_t(q.VertexCount));
  for (Vertex& v : q.Vertices)
    if (!in.Get(v)) return kFileBadContents;
  const bool shapesOk =
      q.Mode == ShapeMode::Affine
          ? ReadShapes(in, q.VertexCount, q.AffineShapeCount, q.SelectedAffineShape, q.AffineShapes)
          : ReadShapes(in, q.VertexCount, q.ProjectiveShapeCount, q.SelectedProjectiveShape, q.ProjectiveShapes);
  if (!shapesOk) return kFileBadContents;
  uint8_t pad = 0;
  if (!in.Get(q.CanvasStyle) || !in.Get(q.CanvasColor) || !in.Get(q.GradientColorBegin) ||
      !in.Get(q.GradientColorEnd) || !in.Get(q.GradientStyle) || !in.Get(q.GradientRotation) ||
      !in.Get(q.GradientShift) || !in.Get(pad))
    return kFileBadContents;
  if (q.CanvasStyle >= kCanvasStyleCount || q.GradientStyle >= kGradientStyleCount || q.GradientRotation < -100 ||
      q.GradientRotation > 100 || q.GradientShift < -100 || q.GradientShift > 100)
    return kFileBadContents;
  int64_t pngLength = 0;
  if (!in.Get(pngLength)) return kFileBadContents;
  if (pngLength > 0) {
    if (uint64_t(pngLength) > in.Left()) return kFileBadContents;
    const uint8_t* png = in.Take(size_t(pngLength));
    // A block the decoder refuses costs the picture, not the project.
    if (!DecodePng(png, size_t(pngLength), q.BackgroundImage, kMinProjectSize, kMaxProjectSize))
      q.BackgroundImage.SetSize(0, 0);
  }

  // Only the document moves into the open project; names and view state stay.
  out.Mode = q.Mode;
  out.Width = q.Width;
  out.Height = q.Height;
  out.BackColor = q.BackColor;
  out.VertexCount = q.VertexCount;
  out.Vertices = std::move(q.Vertices);
  out.AffineShapeCount = q.AffineShapeCount;
  out.AffineShapes = std::move(q.AffineShapes);
  out.ProjectiveShapeCount = q.ProjectiveShapeCount;
  out.ProjectiveShapes = std::move(q.ProjectiveShapes);
  out.SelectedAffineShape = q.SelectedAffineShape;
  out.SelectedProjectiveShape = q.SelectedProjectiveShape;
  out.CanvasStyle = q.CanvasStyle;
  out.CanvasColor = q.CanvasColor;
  out.GradientColorBegin = q.GradientColorBegin;
  out.GradientColorEnd = q.GradientColorEnd;
  out.GradientStyle = q.GradientStyle;
  out.GradientRotation = q.GradientRotation;
  out.GradientShift = q.GradientShift;
  out.BackgroundImage = std::move(q.BackgroundImage);
  return kFileOk;
}

uint8_t LoadProject(Project& p, const std::string& fileName) {
  std::ifstream f(fileName, std::ios::binary | std::ios::ate);
  if (!f) return kFileCannotOpen;
  const std::streamoff size = f.tellg();
  if (size < 0) return kFileCannotOpen;
  if (size < 2) return kFileNotProject;
  if (size > kMaxFileSize) return kFileBadContents;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  f.seekg(0);
  if (!f.read(reinterpret_cast<char*>(bytes.data()), size)) return kFileCannotOpen;
  try {
    return ParseProject(bytes.data(), bytes.size(), p);
  } catch (const std::bad_alloc&) {
    return kFileBadContents;
  }
}

uint8_t SaveProject(const Project& p, const std::string& fileName) {
  std::string bytes;
  try {
    if (!SerializeProject(p, bytes)) return kFileCannotOpen;
  } catch (const std::bad_alloc&) {
    return kFileCannotOpen;
  }
  // The old file stays until the new one is safely on the disk.
  if (WriteFileAtomically(fileName, bytes.data(), bytes.size()) != TWriteResult::Written) return kFileCannotOpen;
  return kFileOk;
}

}  // namespace plumavo
