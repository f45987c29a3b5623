#include "model/project_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "model/png_block.h"

namespace plumavo {
namespace {

namespace fs = std::filesystem;

class ProjectFile : public testing::Test {
 protected:
  void SetUp() override {
    // A parameterised test's name holds a slash, which would make a folder
    // inside a folder that TearDown then leaves behind.
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() / ("plumavo-file-test-" + std::to_string(::getpid()) + "-" + name);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  static std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  static void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  fs::path dir_;
};

Project Sample(ShapeMode mode, int vertices) {
  Project p;
  ResetProject(p, 300, 200, true, mode);
  for (int i = 0; i < vertices; ++i)
    AppendVertex(p, 7 * i - 40, 11 * i + 3, {TColor(0x102030 + i), i % 2 == 1, 1 + i % 20, i % 230, i % 28, 255 - i});
  p.BackColor = 0x445566;
  p.CanvasStyle = 7;
  p.CanvasColor = 0x0000FF;
  p.GradientColorBegin = 0x010203;
  p.GradientColorEnd = 0x040506;
  p.GradientStyle = 22;
  p.GradientRotation = -100;
  p.GradientShift = 100;
  return p;
}

void ExpectSameDocument(const Project& a, const Project& b) {
  EXPECT_EQ(a.Mode, b.Mode);
  EXPECT_EQ(a.Width, b.Width);
  EXPECT_EQ(a.Height, b.Height);
  EXPECT_EQ(a.BackColor, b.BackColor);
  ASSERT_EQ(a.VertexCount, b.VertexCount);
  for (int i = 0; i < a.VertexCount; ++i) EXPECT_EQ(a.Vertices[size_t(i)], b.Vertices[size_t(i)]);
  ASSERT_EQ(a.ShapeCount(), b.ShapeCount());
  for (int i = 0; i < a.ShapeCount(); ++i) {
    if (a.Mode == ShapeMode::Affine)
      EXPECT_EQ(a.AffineShapes[size_t(i)], b.AffineShapes[size_t(i)]);
    else
      EXPECT_EQ(a.ProjectiveShapes[size_t(i)], b.ProjectiveShapes[size_t(i)]);
  }
  EXPECT_EQ(a.Selected(), b.Selected());
  EXPECT_EQ(a.CanvasStyle, b.CanvasStyle);
  EXPECT_EQ(a.CanvasColor, b.CanvasColor);
  EXPECT_EQ(a.GradientColorBegin, b.GradientColorBegin);
  EXPECT_EQ(a.GradientColorEnd, b.GradientColorEnd);
  EXPECT_EQ(a.GradientStyle, b.GradientStyle);
  EXPECT_EQ(a.GradientRotation, b.GradientRotation);
  EXPECT_EQ(a.GradientShift, b.GradientShift);
}

TEST_F(ProjectFile, EmptyAffineProjectIs52Bytes) {
  Project p;
  ResetProject(p, 480, 360, true, ShapeMode::Affine);
  ASSERT_EQ(SaveProject(p, Path("e.plv")), kFileOk);
  const std::string bytes = ReadAll(Path("e.plv"));
  ASSERT_EQ(bytes.size(), 52u);
  const unsigned char expected[52] = {0xC3, 0xA3, 0xE0, 0x01, 0,    0,    0x68, 0x01, 0,  0,  // magic, 480, 360
                                      0xFF, 0xFF, 0xFF, 0,                                    // back colour
                                      0,    0,    0,    0,                                    // no vertices
                                      0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF,         // no shapes, selection -1
                                      0,    0,    0xFF, 0xFF, 0xFF, 0,                        // solid white canvas
                                      0,    0,    0x80, 0,    0,    0xFF, 0xFF, 0,    10, 0, 0, 0,  // gradient block
                                      0,    0,    0,    0,    0,    0,    0,    0};  // no background image
  EXPECT_EQ(std::memcmp(bytes.data(), expected, 52), 0);
}

TEST_F(ProjectFile, TwoTrianglesMakeA96ByteShapeBlock) {
  Project p = Sample(ShapeMode::Affine, 6);
  ASSERT_EQ(SaveProject(p, Path("t.plv")), kFileOk);
  EXPECT_EQ(ReadAll(Path("t.plv")).size(), 52u + 6 * 8 + 96);
}

struct RoundTripRow {
  ShapeMode mode;
  int vertices;
};

class RoundTrip : public ProjectFile, public testing::WithParamInterface<RoundTripRow> {};

TEST_P(RoundTrip, RestoresTheDocumentIncludingAnIncompleteLastShape) {
  Project saved = Sample(GetParam().mode, GetParam().vertices);
  ASSERT_EQ(SaveProject(saved, Path("r.plv")), kFileOk);
  Project loaded;
  loaded.ProjectFileName = "kept";
  ASSERT_EQ(LoadProject(loaded, Path("r.plv")), kFileOk);
  ExpectSameDocument(saved, loaded);
  EXPECT_EQ(loaded.ProjectFileName, "kept");
}

INSTANTIATE_TEST_SUITE_P(Modes, RoundTrip,
                         testing::Values(RoundTripRow{ShapeMode::Affine, 0}, RoundTripRow{ShapeMode::Affine, 9},
                                         RoundTripRow{ShapeMode::Affine, 10}, RoundTripRow{ShapeMode::Projective, 8},
                                         RoundTripRow{ShapeMode::Projective, 14}),
                         [](const testing::TestParamInfo<RoundTripRow>& info) {
                           return (info.param.mode == ShapeMode::Affine ? "Affine" : "Projective") +
                                  std::to_string(info.param.vertices) + "Vertices";
                         });

TEST_F(ProjectFile, BackgroundImageComesBackOpaque) {
  Project p = Sample(ShapeMode::Affine, 6);
  p.BackgroundImage.SetSize(20, 17);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 20; ++x)
      p.BackgroundImage.Pixel(x, y) = Color32(uint8_t(x * 12), uint8_t(y * 15), 99, uint8_t(x * y));
  ASSERT_EQ(SaveProject(p, Path("b.plv")), kFileOk);
  Project q;
  ASSERT_EQ(LoadProject(q, Path("b.plv")), kFileOk);
  ASSERT_EQ(q.BackgroundImage.Width(), 20);
  ASSERT_EQ(q.BackgroundImage.Height(), 17);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(q.BackgroundImage.Pixel(x, y), SetAlpha(p.BackgroundImage.Pixel(x, y), 255)) << x << "," << y;
}

TEST_F(ProjectFile, LengthZeroClearsAnEarlierBackgroundImage) {
  Project plain = Sample(ShapeMode::Affine, 3);
  ASSERT_EQ(SaveProject(plain, Path("p.plv")), kFileOk);
  Project open;
  open.BackgroundImage.SetSize(30, 30);
  ASSERT_EQ(LoadProject(open, Path("p.plv")), kFileOk);
  EXPECT_TRUE(open.BackgroundImage.Empty());
}

// A project with an open state that every failing load must leave alone.
Project OpenProjectState() {
  Project p = Sample(ShapeMode::Projective, 8);
  p.BackgroundImage.SetSize(16, 16);
  p.BackgroundImage.Clear(0xFF00FF00);
  p.ProjectFileName = "open.plv";
  return p;
}

void ExpectUntouched(const Project& p) {
  const Project ref = OpenProjectState();
  ExpectSameDocument(ref, p);
  EXPECT_EQ(p.BackgroundImage.Width(), 16);
  EXPECT_EQ(p.BackgroundImage.Pixel(3, 3), 0xFF00FF00u);
  EXPECT_EQ(p.ProjectFileName, "open.plv");
}

TEST_F(ProjectFile, MissingFileCannotBeOpened) {
  Project p = OpenProjectState();
  EXPECT_EQ(LoadProject(p, Path("nope.plv")), kFileCannotOpen);
  ExpectUntouched(p);
}

struct BadHeaderRow {
  const char* Name;
  std::string bytes;
  uint8_t result;
};

class BadHeader : public ProjectFile, public testing::WithParamInterface<BadHeaderRow> {};

TEST_P(BadHeader, IsRefusedAndLeavesTheOpenProject) {
  WriteAll(Path("h.plv"), GetParam().bytes);
  Project p = OpenProjectState();
  EXPECT_EQ(LoadProject(p, Path("h.plv")), GetParam().result);
  ExpectUntouched(p);
}

std::string Le32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

INSTANTIATE_TEST_SUITE_P(
    Rows, BadHeader,
    testing::Values(BadHeaderRow{"Empty", "", kFileNotProject}, BadHeaderRow{"OneByte", "\xC3", kFileNotProject},
                    BadHeaderRow{"MagicBytesSwapped", "\xA3\xC3" + Le32(480) + Le32(360), kFileNotProject},
                    BadHeaderRow{"ZipSignature", "PK" + Le32(480) + Le32(360), kFileNotProject},
                    BadHeaderRow{"WidthBelow16", "\xC3\xA3" + Le32(15) + Le32(360), kFileBadContents},
                    BadHeaderRow{"HeightAbove1280", "\xC3\xA3" + Le32(480) + Le32(1281), kFileBadContents},
                    BadHeaderRow{"ProjectiveHeaderCutShort", "\xD4\xA4" + Le32(1280), kFileBadContents}),
    [](const ::testing::TestParamInfo<BadHeaderRow>& info) { return std::string(info.param.Name); });

TEST_F(ProjectFile, MagicBytesNameTheMode) {
  for (auto [magic, mode] : {std::pair{std::string("\xC3\xA3"), ShapeMode::Affine},
                             std::pair{std::string("\xD4\xA4"), ShapeMode::Projective}}) {
    std::string bytes;
    Project empty;
    empty.Mode = mode;
    ASSERT_TRUE(SerializeProject(empty, bytes));
    EXPECT_EQ(bytes.substr(0, 2), magic);
    Project q;
    ASSERT_EQ(ParseProject(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), q), kFileOk);
    EXPECT_EQ(q.Mode, mode);
  }
}

TEST_F(ProjectFile, EveryTruncationIsRefusedAndTrailingBytesAreIgnored) {
  Project full = Sample(ShapeMode::Affine, 7);
  full.BackgroundImage.SetSize(16, 16);
  full.BackgroundImage.Clear(0xFF808080);
  std::string bytes;
  ASSERT_TRUE(SerializeProject(full, bytes));
  for (size_t len = 2; len < bytes.size(); ++len) {
    Project p = OpenProjectState();
    ASSERT_EQ(ParseProject(reinterpret_cast<const uint8_t*>(bytes.data()), len, p), kFileBadContents) << len;
    ExpectUntouched(p);
  }
  bytes += "trailing garbage";
  Project p;
  EXPECT_EQ(ParseProject(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), p), kFileOk);
  ExpectSameDocument(full, p);
}

// Offsets into the serialized Sample(Affine, 6): 8 bytes per vertex.
constexpr size_t kVertexCountAt = 14;
constexpr size_t kShapeCountAt = 18 + 6 * 8;
constexpr size_t kSelectedAt = kShapeCountAt + 4;
constexpr size_t kRecord1At = kSelectedAt + 4 + 48;
constexpr size_t kCanvasAt = kSelectedAt + 4 + 96;
constexpr size_t kLengthAt = kCanvasAt + 18;

struct CorruptRow {
  const char* what;
  size_t offset;
  std::string value;
};

class Corrupt : public ProjectFile, public testing::WithParamInterface<CorruptRow> {};

std::string Le64(int64_t v) { return std::string(reinterpret_cast<const char*>(&v), 8); }

TEST_P(Corrupt, IsUnexpectedFormatAndLeavesTheOpenProject) {
  std::string bytes;
  ASSERT_TRUE(SerializeProject(Sample(ShapeMode::Affine, 6), bytes));
  bytes.replace(GetParam().offset, GetParam().value.size(), GetParam().value);
  Project p = OpenProjectState();
  EXPECT_EQ(ParseProject(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), p), kFileBadContents)
      << GetParam().what;
  ExpectUntouched(p);
}

INSTANTIATE_TEST_SUITE_P(Fields, Corrupt,
                         testing::Values(CorruptRow{"negative vertex count", kVertexCountAt, Le32(-1)},
                                         CorruptRow{"vertex count beyond the file", kVertexCountAt, Le32(0x7FFFFFFF)},
                                         CorruptRow{"shape count disagrees", kShapeCountAt, Le32(3)},
                                         CorruptRow{"shape count huge", kShapeCountAt, Le32(0x40000000)},
                                         CorruptRow{"selection below -2", kSelectedAt, Le32(-3)},
                                         CorruptRow{"selection past the shapes", kSelectedAt, Le32(2)},
                                         CorruptRow{"diffusing not 0 or 1", kRecord1At, std::string("\x02", 1)},
                                         CorruptRow{"depth 0", kRecord1At + 4, Le32(0)},
                                         CorruptRow{"depth 21", kRecord1At + 4, Le32(21)},
                                         CorruptRow{"brush 230", kRecord1At + 12, Le32(230)},
                                         CorruptRow{"brush -1", kRecord1At + 12, Le32(-1)},
                                         CorruptRow{"blend mode 28", kRecord1At + 16, Le32(28)},
                                         CorruptRow{"opacity 256", kRecord1At + 20, Le32(256)},
                                         CorruptRow{"canvas style 24", kCanvasAt, std::string("\x18\x00", 2)},
                                         CorruptRow{"gradient style 23", kCanvasAt + 14, std::string("\x17", 1)},
                                         CorruptRow{"rotation -101", kCanvasAt + 15, std::string("\x9B", 1)},
                                         CorruptRow{"shift 101", kCanvasAt + 16, std::string("\x65", 1)},
                                         CorruptRow{"image longer than the file", kLengthAt, Le64(1)},
                                         CorruptRow{"image length absurd", kLengthAt, Le64(INT64_MAX)}),
                         [](const testing::TestParamInfo<CorruptRow>& info) {
                           // "selection below -2" -> "SelectionBelowMinus2"
                           std::string name;
                           bool wordStart = true;
                           for (const char* c = info.param.what; *c; ++c) {
                             if (*c == '-' && std::isdigit(static_cast<unsigned char>(c[1]))) {
                               name += "Minus";
                               wordStart = false;
                             } else if (std::isalnum(static_cast<unsigned char>(*c))) {
                               name += wordStart ? char(std::toupper(static_cast<unsigned char>(*c))) : *c;
                               wordStart = false;
                             } else {
                               wordStart = true;
                             }
                           }
                           return name;
                         });

TEST_F(ProjectFile, BoundaryValuesAreAccepted) {
  Project p = Sample(ShapeMode::Affine, 6);
  p.AffineShapes[1].BlendingMode = 27;
  p.AffineShapes[1].DiffusingLen = 20;
  p.AffineShapes[1].Brush = 229;
  p.AffineShapes[1].BrushOpacity = 0;
  p.SelectedAffineShape = -2;
  p.CanvasStyle = 23;
  std::string bytes;
  ASSERT_TRUE(SerializeProject(p, bytes));
  bytes.replace(kLengthAt, 8, Le64(-5));  // a negative length means no image
  Project q;
  EXPECT_EQ(ParseProject(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), q), kFileOk);
  ExpectSameDocument(p, q);
}

TEST_F(ProjectFile, UndecodableOrOversizedImageLoadsWithoutIt) {
  Project big = Sample(ShapeMode::Affine, 3);
  big.BackgroundImage.SetSize(1281, 16);
  std::vector<uint8_t> bigPng;
  ASSERT_TRUE(EncodePngRgb(big.BackgroundImage, bigPng));
  for (const std::string& block : {std::string("not a png at all"), std::string(bigPng.begin(), bigPng.end())}) {
    Project p = Sample(ShapeMode::Affine, 3);
    std::string bytes;
    ASSERT_TRUE(SerializeProject(p, bytes));
    bytes.replace(bytes.size() - 8, 8, Le64(int64_t(block.size())) + block);
    Project q;
    q.BackgroundImage.SetSize(40, 40);
    ASSERT_EQ(ParseProject(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), q), kFileOk);
    EXPECT_TRUE(q.BackgroundImage.Empty());
  }
}

TEST_F(ProjectFile, FailedSaveKeepsThePreviousFile) {
  const Project first = Sample(ShapeMode::Affine, 6);
  ASSERT_EQ(SaveProject(first, Path("keep.plv")), kFileOk);
  const std::string before = ReadAll(Path("keep.plv"));
  // A folder we cannot write into: the temporary file cannot be made.
  if (::geteuid() != 0) {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(SaveProject(Sample(ShapeMode::Projective, 8), Path("keep.plv")), kFileCannotOpen);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(ReadAll(Path("keep.plv")), before);
  }
  // An inconsistent project is refused before anything is written.
  Project broken = Sample(ShapeMode::Affine, 6);
  broken.VertexCount = 100;
  EXPECT_EQ(SaveProject(broken, Path("keep.plv")), kFileCannotOpen);
  EXPECT_EQ(ReadAll(Path("keep.plv")), before);
  // A target that is a folder, or inside a missing folder, fails and leaves no temporary file.
  fs::create_directory(Path("folder.plv"));
  EXPECT_EQ(SaveProject(first, Path("folder.plv")), kFileCannotOpen);
  EXPECT_EQ(SaveProject(first, Path("missing/x.plv")), kFileCannotOpen);
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir_)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(ProjectFile, SavingOverAnExistingFileKeepsItsPermissions) {
  ASSERT_EQ(SaveProject(Sample(ShapeMode::Affine, 3), Path("m.plv")), kFileOk);
  fs::permissions(Path("m.plv"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(SaveProject(Sample(ShapeMode::Affine, 6), Path("m.plv")), kFileOk);
  EXPECT_EQ(fs::status(Path("m.plv")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  Project q;
  EXPECT_EQ(LoadProject(q, Path("m.plv")), kFileOk);
  EXPECT_EQ(q.VertexCount, 6);
}

}  // namespace
}  // namespace plumavo

#include "tests/support/full_disk.h"

namespace plumavo {
namespace {

// Saving onto a full disk: reported, and the project saved before is intact.
TEST(ProjectFileOnAFullDisk, SaveFailsAndKeepsThePreviousFile) {
  const std::string dir = "/tmp/plumavo-full-project-" + std::to_string(::getpid());
  Project before;
  ResetProject(before, 64, 48, true, ShapeMode::Affine);
  std::string oldBytes;
  const test::FullDiskRun run = test::WithFullDisk(
      dir,
      [&](const std::string& d) {
        if (SaveProject(before, d + "/work.plv") != kFileOk) std::abort();
      },
      [&](const std::string& d) -> std::string {
        const std::string old = test::FileBytes(d + "/work.plv");
        // Large enough to need more room than a page: a background picture.
        Project p;
        ResetProject(p, 640, 480, true, ShapeMode::Affine);
        p.BackgroundImage.SetSize(640, 480);
        uint32_t seed = 5;
        for (int i = 0; i < 640 * 480; ++i) p.BackgroundImage.Bits()[i] = (seed = seed * 69069u + 1u) | 0xFF000000u;
        if (SaveProject(p, d + "/work.plv") == kFileOk) return "reported success on a full disk";
        if (test::FileBytes(d + "/work.plv") != old) return "the previous file was changed";
        if (test::FolderListing(d) != "work.plv ") return "left behind: " + test::FolderListing(d);
        return "";
      });
  std::filesystem::remove_all(dir);
  EXPECT_EQ(run.Failure, "") << "(full disk by " << run.How << ")";
}

}  // namespace
}  // namespace plumavo

#include <sys/resource.h>
#include <sys/wait.h>

#include "model/png_block.h"

namespace plumavo {
namespace {

// Found by fuzzing the background block: a 200-byte PNG whose chunk claims
// 0x73737373 bytes made the decoder allocate and touch two gigabytes. Refused
// now without any large allocation; measured in a child process so that the
// peak is this decode's alone.
TEST(PngBlock, ChunkLongerThanTheDataIsRefusedWithoutAllocatingForIt) {
  std::ifstream f(std::string(PLUMAVO_SOURCE_DIR) + "/tests/model/damaged/chunk-claims-two-gigabytes.png",
                  std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(f)), {});
  ASSERT_GT(bytes.size(), 100u);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    TBitmap32 out;
    const bool decoded = DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out, 16, 1280);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    // Exit 0: refused, and the child never grew past 200 MB.
    ::_exit(!decoded && usage.ru_maxrss < 200 * 1024 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "accepted, or used gigabytes to refuse";
}

TEST(PngBlock, PicturesMadeByTheProgramStillDecode) {
  TBitmap32 picture(40, 30);
  picture.Clear(Color32(10, 200, 30));
  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodePngRgb(picture, png));
  TBitmap32 out;
  ASSERT_TRUE(DecodePng(png.data(), png.size(), out, 16, 1280));
  EXPECT_EQ(out.Pixel(39, 29), Color32(10, 200, 30));
  // Cut anywhere, the stream is refused.
  for (size_t cut : {size_t(8), size_t(33), png.size() / 2, png.size() - 1})
    EXPECT_FALSE(DecodePng(png.data(), cut, out, 16, 1280)) << "cut at " << cut;
}

}  // namespace
}  // namespace plumavo
