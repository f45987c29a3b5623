// The AVI writer, checked by reading its files back with libavformat and
// decoding them with libavcodec.
#include "media/avi_recorder.h"

#include "tests/support/full_disk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace plumavo {
namespace {

namespace fs = std::filesystem;

// What a reader finds in a written file.
struct TMovie {
  int Streams = 0;
  std::string Codec;
  int Width = 0, Height = 0;
  AVRational Rate{0, 1};
  std::vector<bool> KeyFrames;       // one entry per packet
  std::vector<TColor32> FirstFrame;  // decoded, 0xFFRRGGBB
};

TMovie ReadMovie(const std::string& path) {
  TMovie m;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return m;
  if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams >= 1) {
    m.Streams = int(fmt->nb_streams);
    AVStream* st = fmt->streams[0];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    m.Codec = codec != nullptr ? codec->name : "";
    m.Width = st->codecpar->width;
    m.Height = st->codecpar->height;
    m.Rate = st->avg_frame_rate;
    AVCodecContext* dec = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
    const bool decoding = dec != nullptr && avcodec_parameters_to_context(dec, st->codecpar) >= 0 &&
                          avcodec_open2(dec, codec, nullptr) >= 0;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    while (av_read_frame(fmt, pkt) >= 0) {
      if (pkt->stream_index == 0) {
        m.KeyFrames.push_back((pkt->flags & AV_PKT_FLAG_KEY) != 0);
        if (decoding && m.KeyFrames.size() == 1 && avcodec_send_packet(dec, pkt) >= 0 &&
            avcodec_receive_frame(dec, frame) >= 0) {
          // Whatever the decoder gives, as 0xAARRGGBB pixels.
          m.FirstFrame.assign(size_t(frame->width) * size_t(frame->height), 0);
          SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                           frame->height, AV_PIX_FMT_RGB32, SWS_POINT, nullptr, nullptr, nullptr);
          uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(m.FirstFrame.data())};
          const int strides[1] = {frame->width * 4};
          if (sws == nullptr || sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides) <= 0)
            m.FirstFrame.clear();
          sws_freeContext(sws);
        }
      }
      av_packet_unref(pkt);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
  }
  avformat_close_input(&fmt);
  return m;
}

// Four coloured quadrants.
TBitmap32 Quadrants(int w, int h) {
  TBitmap32 b(w, h);
  b.Clear(Color32(255, 255, 255));
  b.FillRect(0, 0, w / 2, h / 2, Color32(200, 30, 30));
  b.FillRect(w / 2, 0, w, h / 2, Color32(30, 200, 30));
  b.FillRect(0, h / 2, w / 2, h, Color32(30, 30, 200));
  return b;
}

// Mean absolute difference per channel over the top-left w x h pixels.
double MeanDifference(const std::vector<TColor32>& decoded, const TBitmap32& expected, int w, int h) {
  double sum = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const TColor32 a = decoded[size_t(y * w + x)], b = expected.Pixel(x, y);
      sum += std::abs(RedComponent(a) - RedComponent(b)) + std::abs(GreenComponent(a) - GreenComponent(b)) +
             std::abs(BlueComponent(a) - BlueComponent(b));
    }
  return sum / (3.0 * w * h);
}

class AviTest : public ::testing::Test {
 protected:
  void SetUp() override {
    av_log_set_level(AV_LOG_QUIET);  // the failures below are expected
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = fs::temp_directory_path() / ("plumavo_avi_" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

// ---------------------------------------------------------------------------

struct MovieRow {
  int ProjectWidth, ProjectHeight;
  int Rate;
  int Frames;
  int Width, Height;  // as recorded
};

class AviMovieTest : public AviTest, public ::testing::WithParamInterface<MovieRow> {};

TEST_P(AviMovieTest, FileHoldsEveryFrameAtTheRoundedSizeAndRate) {
  const MovieRow& row = GetParam();
  TAVIRecorder rec;
  rec.Filename = Path("movie.avi");
  rec.SetWidth(row.ProjectWidth);
  rec.SetHeight(row.ProjectHeight);
  ASSERT_TRUE(rec.CreateAVI(row.Rate, 7500)) << rec.LastError();
  EXPECT_EQ(rec.CodecName(), kDefaultAVICodec);
  const TBitmap32 picture = Quadrants(row.ProjectWidth, row.ProjectHeight);
  for (int i = 0; i < row.Frames; ++i) rec.AddFrame(picture);
  EXPECT_EQ(rec.FrameIndex(), row.Frames);
  EXPECT_TRUE(rec.CloseAVI(false));

  const TMovie m = ReadMovie(rec.Filename);
  EXPECT_EQ(m.Streams, 1);
  EXPECT_EQ(m.Codec, "msvideo1");
  EXPECT_EQ(m.Width, row.Width);
  EXPECT_EQ(m.Height, row.Height);
  EXPECT_EQ(av_cmp_q(m.Rate, AVRational{row.Rate, 1}), 0) << m.Rate.num << "/" << m.Rate.den;
  ASSERT_EQ(int(m.KeyFrames.size()), row.Frames);
  // The picture never changes, so only the one-a-second key frames are whole.
  for (int i = 0; i < row.Frames; ++i) EXPECT_EQ(m.KeyFrames[size_t(i)], i % row.Rate == 0) << "frame " << i;
  ASSERT_EQ(m.FirstFrame.size(), size_t(row.Width) * size_t(row.Height));
  EXPECT_LT(MeanDifference(m.FirstFrame, picture, row.Width, row.Height), 12.0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AviMovieTest,
                         ::testing::Values(MovieRow{480, 360, 10, 12, 480, 360}, MovieRow{500, 333, 3, 7, 496, 328},
                                           MovieRow{17, 23, 1, 3, 16, 16}, MovieRow{1000, 1000, 30, 2, 1000, 1000}),
                         [](const ::testing::TestParamInfo<MovieRow>& info) {
                           const MovieRow& row = info.param;
                           return "Project" + std::to_string(row.ProjectWidth) + "x" +
                                  std::to_string(row.ProjectHeight) + "At" + std::to_string(row.Rate) + "Fps";
                         });

TEST_F(AviTest, SourceSmallerThanTheFrameLeavesTheRestBlack) {
  TAVIRecorder rec;
  rec.Filename = Path("small.avi");
  rec.SetWidth(64);
  rec.SetHeight(48);
  ASSERT_TRUE(rec.CreateAVI(5, 7500));
  TBitmap32 white(16, 16);
  white.Clear(0xFFFFFFFFu);
  rec.AddFrame(white);
  rec.AddFrame(TBitmap32());
  EXPECT_TRUE(rec.CloseAVI(false));
  TBitmap32 expected(64, 48);
  expected.Clear(0xFF000000u);
  expected.FillRect(0, 0, 16, 16, 0xFFFFFFFFu);
  const TMovie m = ReadMovie(rec.Filename);
  ASSERT_EQ(m.KeyFrames.size(), 2u);
  ASSERT_EQ(m.FirstFrame.size(), 64u * 48u);
  EXPECT_LT(MeanDifference(m.FirstFrame, expected, 64, 48), 4.0);
}

struct SizeRow {
  TAVISizeRestriction Restriction;
  int Set;
  int Expected;
};

class AviSizeTest : public ::testing::TestWithParam<SizeRow> {};

TEST_P(AviSizeTest, SizesAreRoundedDownToTheBlock) {
  const SizeRow& row = GetParam();
  TAVIRecorder rec;
  rec.SetSizeRestriction(row.Restriction);
  rec.SetWidth(row.Set);
  rec.SetHeight(row.Set);
  EXPECT_EQ(rec.Width(), row.Expected);
  EXPECT_EQ(rec.Height(), row.Expected);
}

std::string SizeRowName(const ::testing::TestParamInfo<SizeRow>& info) {
  std::string restriction;
  switch (info.param.Restriction) {
    case TAVISizeRestriction::srForceBlock8x8: restriction = "Block8x8"; break;
    case TAVISizeRestriction::srForceBlock4x4: restriction = "Block4x4"; break;
    case TAVISizeRestriction::srForceBlock2x2: restriction = "Block2x2"; break;
    case TAVISizeRestriction::srNoRestriction: restriction = "NoRestriction"; break;
  }
  return restriction + "Side" + std::to_string(info.param.Set);
}

INSTANTIATE_TEST_SUITE_P(Blocks, AviSizeTest,
                         ::testing::Values(SizeRow{TAVISizeRestriction::srForceBlock8x8, 333, 328},
                                           SizeRow{TAVISizeRestriction::srForceBlock8x8, 7, 0},
                                           SizeRow{TAVISizeRestriction::srForceBlock4x4, 23, 20},
                                           SizeRow{TAVISizeRestriction::srForceBlock2x2, 23, 22},
                                           SizeRow{TAVISizeRestriction::srNoRestriction, 23, 23}),
                         SizeRowName);

TEST(AviSize, DefaultsRestrictionChangeAndOpenFile) {
  TAVIRecorder rec;
  EXPECT_EQ(rec.Width(), 320);
  EXPECT_EQ(rec.Height(), 200);
  rec.SetWidth(-5);
  EXPECT_EQ(rec.Width(), 320);
  rec.SetSizeRestriction(TAVISizeRestriction::srNoRestriction);
  rec.SetWidth(101);
  rec.SetHeight(77);
  rec.SetSizeRestriction(TAVISizeRestriction::srForceBlock4x4);
  EXPECT_EQ(rec.Width(), 100);
  EXPECT_EQ(rec.Height(), 76);

  const std::string path = (fs::temp_directory_path() / "plumavo_avi_open_size.avi").string();
  rec.Filename = path;
  ASSERT_TRUE(rec.CreateAVI(10, 5000));
  rec.SetWidth(200);  // ignored while the file is open
  EXPECT_EQ(rec.Width(), 100);
  EXPECT_TRUE(rec.CloseAVI(true));
  EXPECT_FALSE(fs::exists(path));
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(AviTest, FailedCreationsLeaveNoFileAndSayWhy) {
  struct Row {
    const char* File;        // inside the test folder
    int Width;               // with no size restriction
    const char* Compressor;  // nullptr: the dialog is cancelled
    int Rate;
    const char* Error;
  } rows[] = {
      {"missing/folder/x.avi", 64, nullptr, 10, "Cannot create AVI file. Disk full or file in use?"},
      {"", 64, nullptr, 10, "Cannot create AVI file. Disk full or file in use?"},
      {"rate.avi", 64, nullptr, 0, "Cannot create AVI stream."},
      {"codec.avi", 64, "no-such-codec", 10, "Cannot make compressed stream. No such compressor found"},
      {"audio.avi", 64, "pcm_s16le", 10, "Cannot make compressed stream. No such compressor found"},
      // Microsoft Video 1 wants sides that are a multiple of 4.
      {"odd.avi", 66, nullptr, 10, "Cannot make compressed stream. "},
  };
  for (const Row& row : rows) {
    TAVIRecorder rec;
    rec.SetSizeRestriction(TAVISizeRestriction::srNoRestriction);
    rec.SetWidth(row.Width);
    rec.SetHeight(64);
    rec.Filename = *row.File ? Path(row.File) : std::string();
    rec.ChooseCompressor = [&row]() -> std::optional<std::string> {
      if (row.Compressor == nullptr) return std::nullopt;
      return std::string(row.Compressor);
    };
    EXPECT_FALSE(rec.CreateAVI(row.Rate, 7500)) << row.File;
    EXPECT_EQ(rec.LastError(), row.Error) << row.File;
    EXPECT_FALSE(rec.IsOpen());
    EXPECT_TRUE(fs::is_empty(dir_)) << row.File;
    EXPECT_THROW(rec.AddFrame(TBitmap32(8, 8)), TAVIError);
  }
}

TEST(AviErrors, ClosingWithoutAFileThrowsItsText) {
  TAVIRecorder rec;
  try {
    EXPECT_TRUE(rec.CloseAVI(false));
    FAIL() << "no exception";
  } catch (const TAVIError& e) {
    EXPECT_STREQ(e.what(), "Cannot close AVI file. AVI file not created.");
  }
}

TEST_F(AviTest, FullDiskEndsInAnAddFrameError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TAVIRecorder rec;
  rec.Filename = "/dev/full";
  rec.SetWidth(256);
  rec.SetHeight(256);
  if (!rec.CreateAVI(10, 7500)) return;  // the header did not fit either: fine
  TBitmap32 noise(256, 256);
  uint32_t seed = 1;
  bool failed = false;
  for (int i = 0; i < 200 && !failed; ++i) {
    for (int p = 0; p < 256 * 256; ++p) noise.Bits()[p] = (seed = seed * 134775813u + 1u) | 0xFF000000u;
    try {
      rec.AddFrame(noise);
    } catch (const TAVIError& e) {
      EXPECT_STREQ(e.what(), "Add Frame Error");
      failed = true;
    }
  }
  EXPECT_TRUE(failed);
  EXPECT_FALSE(rec.CloseAVI(false));  // finishing on a full disk says so, without throwing or crashing
  EXPECT_TRUE(fs::exists("/dev/full"));
}

// ---------------------------------------------------------------------------
// Compressor choice and the end of a recording

TEST_F(AviTest, CompressorComesFromTheDialogUnlessDefaultIsAsked) {
  const std::vector<TAVICodecInfo> codecs = AvailableAVICodecs();
  ASSERT_FALSE(codecs.empty());
  EXPECT_EQ(codecs.front().Name, "msvideo1");
  EXPECT_EQ(codecs.front().Caption, "Microsoft Video 1");
  for (const TAVICodecInfo& c : codecs) {
    for (TAVICompressor mode : {TAVICompressor::acShowDialog, TAVICompressor::acDefault}) {
      TAVIRecorder rec;
      rec.Filename = Path(c.Name + ".avi");
      rec.SetWidth(64);
      rec.SetHeight(48);
      rec.Compressor = mode;
      int asked = 0;
      rec.ChooseCompressor = [&]() -> std::optional<std::string> {
        ++asked;
        return c.Name;
      };
      ASSERT_TRUE(rec.CreateAVI(10, 10000)) << c.Name << ": " << rec.LastError();
      rec.AddFrame(Quadrants(64, 48));
      EXPECT_TRUE(rec.CloseAVI(false));
      const bool dialog = mode == TAVICompressor::acShowDialog;
      EXPECT_EQ(asked, dialog ? 1 : 0);
      const TMovie m = ReadMovie(rec.Filename);
      EXPECT_EQ(m.Codec, dialog ? c.Name : "msvideo1");
      EXPECT_EQ(m.KeyFrames.size(), 1u) << c.Name;
      ASSERT_EQ(m.FirstFrame.size(), 64u * 48u) << c.Name;
      EXPECT_LT(MeanDifference(m.FirstFrame, Quadrants(64, 48), 64, 48), 12.0) << c.Name;
    }
  }
}

TEST_F(AviTest, DestroyingAnOpenRecorderFinishesTheFile) {
  const std::string path = Path("destroyed.avi");
  {
    TAVIRecorder rec;
    rec.Filename = path;
    rec.SetWidth(32);
    rec.SetHeight(32);
    ASSERT_TRUE(rec.CreateAVI(4, 7500));
    for (int i = 0; i < 5; ++i) rec.AddFrame(Quadrants(32, 32));
  }
  const TMovie m = ReadMovie(path);
  EXPECT_EQ(m.Codec, "msvideo1");
  EXPECT_EQ(m.KeyFrames.size(), 5u);
}

TEST_F(AviTest, ReopeningReplacesTheFileAndDeleteRemovesIt) {
  TAVIRecorder rec;
  rec.Filename = Path("again.avi");
  rec.SetWidth(32);
  rec.SetHeight(32);
  ASSERT_TRUE(rec.CreateAVI(10, 7500));
  for (int i = 0; i < 4; ++i) rec.AddFrame(Quadrants(32, 32));
  EXPECT_FALSE(rec.CreateAVI(10, 7500));  // one file at a time
  EXPECT_TRUE(rec.CloseAVI(false));
  ASSERT_TRUE(rec.CreateAVI(10, 7500));
  EXPECT_EQ(rec.FrameIndex(), 0);
  rec.AddFrame(Quadrants(32, 32));
  EXPECT_TRUE(rec.CloseAVI(false));
  EXPECT_EQ(ReadMovie(rec.Filename).KeyFrames.size(), 1u);
  ASSERT_TRUE(rec.CreateAVI(10, 7500));
  EXPECT_TRUE(rec.CloseAVI(true));
  EXPECT_FALSE(fs::exists(rec.Filename));
}

}  // namespace
}  // namespace plumavo

namespace plumavo {
namespace {

// The quality control is offered only where it changes the movie: for every
// encoder the list offers, the same frames at the lowest and the highest
// quality make different files exactly when the encoder says it uses it.
TEST_F(AviTest, QualityChangesTheMovieExactlyForEncodersThatUseIt) {
  auto record = [&](const TAVICodecInfo& codec, int32_t quality) {
    const std::string file = Path(codec.Name + "-" + std::to_string(quality) + ".avi");
    TAVIRecorder rec;
    rec.Filename = file;
    rec.SetWidth(64);
    rec.SetHeight(64);
    rec.ChooseCompressor = [&codec]() -> std::optional<std::string> { return codec.Name; };
    EXPECT_TRUE(rec.CreateAVI(10, quality)) << codec.Name << ": " << rec.LastError();
    TBitmap32 frame(64, 64);
    uint32_t seed = 7;
    for (int i = 0; i < 3; ++i) {
      for (int p = 0; p < 64 * 64; ++p) frame.Bits()[p] = (seed = seed * 134775813u + 1u) | 0xFF000000u;
      rec.AddFrame(frame);
    }
    EXPECT_TRUE(rec.CloseAVI(false));
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  for (const TAVICodecInfo& codec : AvailableAVICodecs()) {
    const std::string low = record(codec, 100), high = record(codec, 10000);
    ASSERT_FALSE(low.empty()) << codec.Name;
    EXPECT_EQ(low != high, codec.UsesQuality)
        << codec.Name
        << (codec.UsesQuality ? " ignores the quality it claims to use" : " uses a quality it says it ignores");
  }
}

// On a small disk that fills up, recording is refused in time: the movie is
// finished with its index, and a player finds every frame that was added.
// Every encoder offered, at the highest quality, on noise: the frames are as
// large as they get.
class AviOnASmallDisk : public ::testing::TestWithParam<const char*> {};

TEST_P(AviOnASmallDisk, StopsWhileTheMovieCanStillBeFinished) {
  const std::string codec = GetParam();
  bool offered = false;
  for (const TAVICodecInfo& c : AvailableAVICodecs()) offered = offered || c.Name == codec;
  if (!offered) GTEST_SKIP() << codec << " is not offered by this libavcodec";
  const std::string dir = "/tmp/plumavo-avi-disk-" + codec + "-" + std::to_string(::getpid());
  const test::FullDiskRun run = test::WithSmallDisk(dir, "2m", [&](const std::string& d) -> std::string {
    av_log_set_level(AV_LOG_QUIET);
    TAVIRecorder rec;
    rec.Filename = d + "/movie.avi";
    rec.SetWidth(128);
    rec.SetHeight(128);
    rec.ChooseCompressor = [&]() -> std::optional<std::string> { return codec; };
    if (!rec.CreateAVI(10, 10000)) return "not created: " + rec.LastError();
    TBitmap32 noise(128, 128);
    uint32_t seed = 3;
    int added = 0;
    bool refused = false;
    for (int i = 0; i < 2000 && !refused; ++i) {
      for (int p = 0; p < 128 * 128; ++p) noise.Bits()[p] = (seed = seed * 134775813u + 1u) | 0xFF000000u;
      try {
        rec.AddFrame(noise);
        ++added;
      } catch (const TAVIDiskFull&) {
        refused = true;
      } catch (const TAVIError& e) {
        return std::string("a frame failed before the disk was reported full: ") + e.what();
      }
    }
    if (!refused) return "the disk never filled up";
    if (!rec.CloseAVI(false)) return "the movie could not be finished";
    const std::string bytes = test::FileBytes(d + "/movie.avi");
    if (bytes.find("idx1") == std::string::npos)
      return "the movie has no index (" + std::to_string(bytes.size()) + " bytes, " + std::to_string(added) +
             " frames, " + std::to_string(FreeDiskSpace(d)) + " free)";
    const TMovie m = ReadMovie(d + "/movie.avi");
    if (int(m.KeyFrames.size()) != added)
      return "a player finds " + std::to_string(m.KeyFrames.size()) + " of " + std::to_string(added) + " frames";
    return "";
  });
  std::filesystem::remove_all(dir);
  if (run.How == "not mounted") GTEST_SKIP() << "no small file system can be mounted here";
  EXPECT_EQ(run.Failure, "");
}

INSTANTIATE_TEST_SUITE_P(Encoders, AviOnASmallDisk, ::testing::Values("msvideo1", "mjpeg", "mpeg4", "huffyuv"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
}  // namespace plumavo
