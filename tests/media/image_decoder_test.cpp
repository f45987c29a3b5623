// Decoding in a child process: whatever a file does to the image library
// (crash it, make it spin, lie about its size), this process gets a clear
// answer and an untouched picture.
#include "media/image_decoder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <iterator>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/image_file.h"

namespace plumavo {
namespace {

namespace fs = std::filesystem;

const std::string kDamaged = std::string(PLUMAVO_SOURCE_DIR) + "/tests/media/damaged/";

class ImageDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A parameterised test's name holds a slash, which would make a folder
    // inside a folder that TearDown then leaves behind.
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() / ("plumavo-decoder-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ::setenv("PLUMAVO_DECODER", (std::string(PLUMAVO_BINARY_DIR) + "/bin/plumavo-decode").c_str(), 1);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    ::unsetenv("PLUMAVO_DECODER");
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  // A stand-in decoder that answers with the given shell commands.
  void FakeDecoder(const std::string& script) const {
    const std::string path = Path("fake-decoder");
    std::ofstream(path) << "#!/bin/sh\n" << script << "\n";
    ::chmod(path.c_str(), 0755);
    ::setenv("PLUMAVO_DECODER", path.c_str(), 1);
  }

  fs::path dir_;
};

size_t OpenDescriptors() {
  return size_t(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// After a decode, nothing of the child is left: no process to wait for, no
// pipe end open.
void ExpectNothingLeftBehind(size_t descriptorsBefore, const char* name) {
  int status = 0;
  errno = 0;
  EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << name << ": a decoder process was not waited for";
  EXPECT_EQ(errno, ECHILD) << name;
  EXPECT_EQ(OpenDescriptors(), descriptorsBefore) << name << ": a descriptor was left open";
}

TBitmap32 Marker() {
  TBitmap32 b(20, 20);
  b.Clear(Color32(1, 2, 3));
  return b;
}

TEST_F(ImageDecoderTest, GoodPictureArrivesAsTheLibraryReadsItInProcess) {
  TBitmap32 picture(40, 24);
  for (int32_t y = 0; y < 24; ++y)
    for (int32_t x = 0; x < 40; ++x) picture.Pixel(x, y) = Color32(uint8_t(x * 6), uint8_t(y * 10), uint8_t(x ^ y));
  ASSERT_TRUE(SaveImageFile(picture, Path("good.png"), 0));
  TBitmap32 direct, isolated;
  ASSERT_TRUE(LoadImageFile(direct, Path("good.png"), 0));
  ASSERT_EQ(DecodeImageFileIsolated(isolated, Path("good.png")), TDecodeStatus::Ok);
  ASSERT_EQ(isolated.Width(), 40);
  ASSERT_EQ(isolated.Height(), 24);
  for (int32_t y = 0; y < 24; ++y)
    for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(isolated.Pixel(x, y), direct.Pixel(x, y)) << x << "," << y;
}

struct BadFileRow {
  const char* Name;
  std::string File;  // a damaged fixture, or empty for `Bytes` written to a temp file
  std::string Bytes;
  TDecodeLimits Limits;
  TDecodeStatus Expected;
};

class BadFileTest : public ImageDecoderTest, public ::testing::WithParamInterface<BadFileRow> {};

TEST_P(BadFileTest, GivesAClearAnswerAndLeavesThePictureAlone) {
  const BadFileRow& r = GetParam();
  const std::string file = r.File.empty() ? Write("file.bin", r.Bytes) : r.File;
  TBitmap32 target = Marker();
  const size_t descriptors = OpenDescriptors();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DecodeImageFileIsolated(target, file, r.Limits), r.Expected) << r.Name;
  ExpectNothingLeftBehind(descriptors, r.Name);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::milliseconds(r.Limits.WallClockMs) + std::chrono::seconds(2)) << "not stopped in time";
  EXPECT_EQ(target.Width(), 20);
  EXPECT_EQ(target.Pixel(5, 5), Color32(1, 2, 3));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(
        BadFileRow{"PsdThatCrashesTheLibrary", kDamaged + "crashes-decoder.psd", "", {}, TDecodeStatus::Crashed},
        // Left alone it decodes for ever: the CPU limit ends it first...
        BadFileRow{"LbmThatNeverFinishes",
                   kDamaged + "hangs-decoder.lbm",
                   "",
                   {9000, 1, int64_t(1) << 30},
                   TDecodeStatus::Crashed},
        // ...or, with a generous CPU limit, the wall clock.
        BadFileRow{"LbmThatOutlastsTheClock",
                   kDamaged + "hangs-decoder.lbm",
                   "",
                   {700, 30, int64_t(1) << 30},
                   TDecodeStatus::TimedOut},
        BadFileRow{"TextIsNoPicture", "", "just some words, no picture\n", {}, TDecodeStatus::Refused},
        BadFileRow{"EmptyFile", "", "", {}, TDecodeStatus::Refused},
        BadFileRow{"MissingFile", "/nonexistent/picture.png", "", {}, TDecodeStatus::Refused}),
    [](const ::testing::TestParamInfo<BadFileRow>& info) { return std::string(info.param.Name); });

struct BadDecoderRow {
  const char* Name;
  const char* Script;
  TDecodeStatus Expected;
};

class BadDecoderTest : public ImageDecoderTest, public ::testing::WithParamInterface<BadDecoderRow> {};

// The parent trusts nothing the child says: sizes out of range are refused
// before anything is allocated for them.
TEST_P(BadDecoderTest, ParentRefusesWhatItWouldNotHaveDecoded) {
  FakeDecoder(GetParam().Script);
  TBitmap32 target = Marker();
  TDecodeLimits limits;
  limits.WallClockMs = 1500;
  const size_t descriptors = OpenDescriptors();
  EXPECT_EQ(DecodeImageFileIsolated(target, Path("any.png"), limits), GetParam().Expected);
  ExpectNothingLeftBehind(descriptors, GetParam().Name);
  EXPECT_EQ(target.Width(), 20);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, BadDecoderTest,
    ::testing::Values(
        // 100000 x 16: a header that would ask for gigabytes.
        BadDecoderRow{"HugeWidth", R"(printf 'PLVD\000\000\000\000\240\206\001\000\020\000\000\000')",
                      TDecodeStatus::BadReply},
        BadDecoderRow{"ZeroHeight", R"(printf 'PLVD\000\000\000\000\020\000\000\000\000\000\000\000')",
                      TDecodeStatus::BadReply},
        BadDecoderRow{"ShortPixels", R"(printf 'PLVD\000\000\000\000\020\000\000\000\020\000\000\000abc')",
                      TDecodeStatus::BadReply},
        BadDecoderRow{"WrongMagic", R"(printf 'JUNK\000\000\000\000\020\000\000\000\020\000\000\000')",
                      TDecodeStatus::BadReply},
        BadDecoderRow{"SilentAndSlow", "exec sleep 30", TDecodeStatus::TimedOut},
        BadDecoderRow{"KilledBySignal", "kill -SEGV $$", TDecodeStatus::Crashed}),
    [](const ::testing::TestParamInfo<BadDecoderRow>& info) { return std::string(info.param.Name); });

TEST_F(ImageDecoderTest, MissingDecoderIsReportedAsSuch) {
  ::setenv("PLUMAVO_DECODER", Path("no-such-decoder").c_str(), 1);
  TBitmap32 target = Marker();
  EXPECT_EQ(DecodeImageFileIsolated(target, Path("any.png")), TDecodeStatus::NoDecoder);
  EXPECT_EQ(target.Width(), 20);
}

}  // namespace
}  // namespace plumavo

namespace plumavo {
namespace {

// Several files through one child: each gets its own answer, and a file that
// crashes or stalls the decoder costs only itself.
TEST_F(ImageDecoderTest, BatchAnswersEveryFileAndSurvivesTheBadOnes) {
  TBitmap32 a(20, 16), b(33, 17);
  a.Clear(Color32(200, 10, 10));
  b.Clear(Color32(10, 10, 200));
  ASSERT_TRUE(SaveImageFile(a, Path("a.png"), 0));
  ASSERT_TRUE(SaveImageFile(b, Path("b.bmp"), 0));
  const std::vector<std::string> files{Path("a.png"), kDamaged + "crashes-decoder.psd", Write("text.txt", "words"),
                                       Path("b.bmp"), kDamaged + "hangs-decoder.lbm",   Path("a.png")};
  TDecodeLimits limits;
  limits.WallClockMs = 800;
  limits.CpuSeconds = 30;
  std::vector<TBitmap32> pictures;
  const std::vector<TDecodeStatus> statuses = DecodeImageFilesIsolated(files, pictures, limits);
  const std::vector<TDecodeStatus> expected{TDecodeStatus::Ok, TDecodeStatus::Crashed,  TDecodeStatus::Refused,
                                            TDecodeStatus::Ok, TDecodeStatus::TimedOut, TDecodeStatus::Ok};
  EXPECT_EQ(statuses, expected);
  ASSERT_EQ(pictures.size(), files.size());
  EXPECT_EQ(pictures[0].Width(), 20);
  EXPECT_EQ(pictures[0].Pixel(3, 3), Color32(200, 10, 10));
  EXPECT_EQ(pictures[3].Width(), 33);
  EXPECT_EQ(pictures[3].Pixel(32, 16), Color32(10, 10, 200));
  EXPECT_EQ(pictures[5].Height(), 16);
  EXPECT_TRUE(pictures[1].Empty());
}

}  // namespace
}  // namespace plumavo
