// Recording and playing animations through the window: the dialogs, the
// movie written, the frame ticks (called directly instead of waiting for the
// timer), the automatic stops and the interface state while recording.
#include <sys/resource.h>

#include <csignal>

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QTimer>
#include <QToolButton>

#include "app/animation_commands.h"
#include "app/video_compression_dialog.h"
#include "app/widgets.h"
#include "tests/app/settings_window_fixture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace plumavo::test {
namespace {

struct TMovieInfo {
  std::string Codec;
  int Width = 0, Height = 0, Frames = 0;
  AVRational Rate{0, 1};
};

TMovieInfo ReadMovie(const QString& path) {
  TMovieInfo m;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, QFile::encodeName(path).constData(), nullptr, nullptr) < 0) return m;
  if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams == 1) {
    const AVCodecParameters* par = fmt->streams[0]->codecpar;
    m.Codec = avcodec_get_name(par->codec_id);
    m.Width = par->width;
    m.Height = par->height;
    m.Rate = fmt->streams[0]->avg_frame_rate;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(fmt, pkt) >= 0) {
      ++m.Frames;
      av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
  }
  avformat_close_input(&fmt);
  return m;
}

class AnimationTest : public SettingsWindowTest {
 protected:
  void StartAt(int width, int height, int frameRate) {
    av_log_set_level(AV_LOG_QUIET);
    Start();
    anim = window->animations;
    ASSERT_NE(anim, nullptr);
    anim->ProgramFolder = dir.filePath("program");
    files->Preferences.FrameRate = frameRate;
    if (width != 480 || height != 360) window->SetProjectSize(width, height);
  }
  // Record into a file of the test folder; compressor: the encoder chosen in
  // "Video Compression", or empty to cancel it.
  void Record(const QString& name, const std::string& compressor = {}) {
    prompts->FileNames.push_back(name.isEmpty() ? QString() : Path(name));
    prompts->Dialogs.push_back([compressor](QDialog& d) {
      auto& dialog = static_cast<VideoCompressionDialog&>(d);
      return !compressor.empty() && dialog.SelectCodec(compressor);
    });
    window->Action(CommandId::AnimationRecord)->trigger();
  }
  // Ticks until the recording stops (at most limit ticks); the ticks made.
  int TickUntilStopped(int limit) {
    int ticks = 0;
    while (window->Recording() && ticks < limit) {
      anim->aniTimerTimer();
      ++ticks;
    }
    return ticks;
  }
  std::string Status() const { return window->statusPanels->Text(0).toStdString(); }
  // A key at whatever receives keys first: the focused control or the window.
  void PressEsc() {
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, Qt::Key_Escape);
  }

  AnimationCommands* anim = nullptr;
};

TEST_F(AnimationTest, CancelledSaveDialogRecordsNothing) {
  StartAt(480, 360, 10);
  Record("");
  EXPECT_FALSE(window->Recording());
  EXPECT_EQ(anim->Recorder(), nullptr);
  ASSERT_TRUE(prompts->LastSave.has_value());
  EXPECT_EQ(prompts->LastSave->Title, "Save Animation As...");
  EXPECT_EQ(prompts->LastSave->FileName, "Untitled");
  EXPECT_EQ(prompts->LastSave->Filter, "AVI Movie Files (*.avi)");
  EXPECT_EQ(prompts->LastSave->DefaultExt, "avi");
  EXPECT_EQ(QDir(prompts->LastSave->Folder), QDir(dir.filePath("program/Animations")));
  EXPECT_TRUE(anim->LastAnimationSaveFolder.isEmpty());
  EXPECT_FALSE(prompts->Log.contains("dialog: Video Compression"));
}

TEST_F(AnimationTest, RecordingWritesEveryTickAtTheRoundedSize) {
  StartAt(500, 333, 4);
  DrawTriangle({20, 20}, {460, 20}, {20, 300});
  QFile old(Path("movie.avi"));  // an older file of that name is replaced
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("not a movie");
  old.close();
  Record("movie");  // typed without extension
  ASSERT_TRUE(window->Recording());
  EXPECT_TRUE(prompts->Log.contains("dialog: Video Compression"));  // cancelled: Microsoft Video 1
  EXPECT_EQ(window->aniTimer->interval(), 250);
  EXPECT_EQ(window->OutputImage.Width(), 500);
  EXPECT_EQ(anim->LastAnimationSaveFolder, QDir::toNativeSeparators(dir.path() + "/"));

  std::vector<TColor> pens;
  for (int i = 0; i < 5; ++i) {
    anim->aniTimerTimer();
    pens.push_back(anim->FramePen);
  }
  // Grey at first, then black and red in turn.
  EXPECT_EQ(pens, (std::vector<TColor>{0x000000, 0x0000FF, 0x000000, 0x0000FF, 0x000000}));
  // The frame round the view shows the last pen.
  const QImage frame = window->viewFrame->grab().toImage();
  EXPECT_EQ(frame.pixel(0, frame.height() / 2) & 0xFFFFFFu, 0x000000u);
  EXPECT_EQ(frame.pixel(frame.width() - 1, 0) & 0xFFFFFFu, 0x000000u);
  EXPECT_EQ(Status(), "5 Frames have been recorded! Press Esc key to stop recording.");

  window->Action(CommandId::AnimationStop)->trigger();
  EXPECT_FALSE(window->Recording());
  EXPECT_EQ(anim->Recorder(), nullptr);
  EXPECT_EQ(Status(), " Animation recording has been stopped.");
  EXPECT_TRUE(window->OutputImage.Empty());
  const TMovieInfo m = ReadMovie(Path("movie.avi"));
  EXPECT_EQ(m.Codec, "msvideo1");
  EXPECT_EQ(m.Width, 496);
  EXPECT_EQ(m.Height, 328);
  EXPECT_EQ(m.Frames, 5);
  EXPECT_EQ(av_cmp_q(m.Rate, AVRational{4, 1}), 0);
  EXPECT_TRUE(prompts->Log.filter("unanswered").isEmpty()) << prompts->Log.join("; ").toStdString();
}

TEST_F(AnimationTest, ChosenCompressorAndProjectNameAreUsed) {
  StartAt(480, 360, 10);
  window->project.ProjectFileName = Path("fern.v2.plv").toStdString();
  Record("fern.avi", "mjpeg");
  EXPECT_EQ(prompts->LastSave->FileName, "fern.v2");
  ASSERT_TRUE(window->Recording());
  anim->aniTimerTimer();
  window->Action(CommandId::AnimationStop)->trigger();
  EXPECT_EQ(ReadMovie(Path("fern.avi")).Codec, "mjpeg");
}

TEST_F(AnimationTest, MenusWhileRecording) {
  StartAt(480, 360, 10);
  auto states = [&] {
    std::vector<bool> r;
    for (QAction* a : {window->Action(CommandId::FileExport), window->Action(CommandId::FilePrintSetup),
                       window->Action(CommandId::FilePrintPreview), window->Action(CommandId::FilePrint),
                       window->Action(CommandId::AnimationRecord), window->Action(CommandId::AnimationPlay),
                       window->Action(CommandId::AnimationStop)})
      r.push_back(a->isEnabled());
    for (QWidget* b :
         {static_cast<QWidget*>(window->recordButton), static_cast<QWidget*>(window->playButton),
          static_cast<QWidget*>(window->stopButton), static_cast<QWidget*>(window->ToolButton(CommandId::FileExport))})
      r.push_back(b->isEnabled());
    return r;
  };
  const std::vector<bool> idle{true, true, true, true, true, true, false, true, true, false, true};
  EXPECT_EQ(states(), idle);
  Record("m.avi");
  EXPECT_EQ(states(), (std::vector<bool>{false, false, false, false, false, false, true, false, false, true, false}));
  window->Action(CommandId::AnimationPlay)->trigger();  // disabled: no dialog
  EXPECT_FALSE(prompts->Log.contains("unanswered open: Open Animation"));
  window->Action(CommandId::AnimationStop)->trigger();
  EXPECT_EQ(states(), idle);
}

struct IdleRow {
  int FrameRate;
  int MoveAfter;  // ticks before a mouse movement over the picture; 0: none
  int Frames;     // the tick that stops the recording
};

class IdleLimitTest : public AnimationTest, public ::testing::WithParamInterface<IdleRow> {};

TEST_P(IdleLimitTest, StillMouseStopsTheRecording) {
  const IdleRow& row = GetParam();
  StartAt(32, 16, row.FrameRate);
  Record("idle.avi");
  ASSERT_TRUE(window->Recording());
  int ticks = 0;
  if (row.MoveAfter > 0) {
    ticks = TickUntilStopped(row.MoveAfter);
    QTest::mouseMove(window->imageView, QPoint(5, 5));
    QTest::mouseMove(window->imageView, QPoint(9, 7));
    EXPECT_EQ(anim->Idle, 0);
  }
  ticks += TickUntilStopped(5000);
  EXPECT_EQ(ticks, row.Frames);
  EXPECT_FALSE(window->Recording());
  EXPECT_EQ(Status(), " Animation recording has been stopped.");
  EXPECT_EQ(ReadMovie(Path("idle.avi")).Frames, row.Frames);
}

INSTANTIATE_TEST_SUITE_P(Rates, IdleLimitTest,
                         ::testing::Values(IdleRow{1, 0, 61}, IdleRow{7, 0, 423}, IdleRow{30, 0, 1819},
                                           IdleRow{1, 40, 101}),
                         [](const ::testing::TestParamInfo<IdleRow>& info) {
                           const IdleRow& row = info.param;
                           const std::string mouse =
                               row.MoveAfter > 0 ? "MovedAfter" + std::to_string(row.MoveAfter) + "Ticks" : "Still";
                           return "Rate" + std::to_string(row.FrameRate) + "Fps" + mouse;
                         });

TEST_F(AnimationTest, FrameLimitStopsAMovingRecording) {
  StartAt(16, 16, 30);
  Record("long.avi");
  int ticks = 0;
  while (window->Recording() && ticks < 40000) {
    anim->Idle = 0;  // the mouse keeps moving
    anim->aniTimerTimer();
    ++ticks;
  }
  EXPECT_EQ(ticks, 36001);
}

TEST_F(AnimationTest, EscStopsARecordingAndDoesNothingOtherwise) {
  StartAt(480, 360, 10);
  PressEsc();
  EXPECT_NE(Status(), " Animation recording has been stopped.");
  Record("esc.avi");
  anim->aniTimerTimer();
  PressEsc();
  EXPECT_FALSE(window->Recording());
  EXPECT_EQ(Status(), " Animation recording has been stopped.");
  EXPECT_EQ(ReadMovie(Path("esc.avi")).Frames, 1);
}

TEST_F(AnimationTest, FailedCreationShowsOneBoxAndLeavesNoFile) {
  StartAt(480, 360, 10);
  Record("missing/folder/x.avi");
  EXPECT_FALSE(window->Recording());
  EXPECT_EQ(anim->Recorder(), nullptr);
  EXPECT_EQ(prompts->Log.filter("error:"), QStringList{"error: Cannot create AVI file."});
  EXPECT_FALSE(QFileInfo::exists(Path("missing/folder/x.avi")));
  EXPECT_TRUE(window->Action(CommandId::AnimationRecord)->isEnabled());
}

// A recording that cannot go on stops, says why, and the movie recorded so
// far stays playable.
struct StopRow {
  const char* Name;
  void (*Break)(TAVIRecorder& recorder, const QString& movie);
  const char* Why;      // the first line of the message
  const char* Outcome;  // what it says of the movie
  int PlayableFrames;   // -1: not finished, not checked
};

class RecordingStopsTest : public AnimationTest, public ::testing::WithParamInterface<StopRow> {
 protected:
  void TearDown() override {
    // Undo what a row did to the file size limit of this process.
    ::setrlimit(RLIMIT_FSIZE, &savedLimit_);
    ::signal(SIGXFSZ, SIG_DFL);
    AnimationTest::TearDown();
  }
  void SetUp() override {
    ::getrlimit(RLIMIT_FSIZE, &savedLimit_);
    AnimationTest::SetUp();
  }
  rlimit savedLimit_{};
};

// A recording that cannot go on stops and says why, and whether what was
// recorded plays: "kept" only for a movie that was finished.
TEST_P(RecordingStopsTest, SaysWhyAndWhetherTheMovieIsKept) {
  const StopRow& row = GetParam();
  StartAt(64, 64, 10);
  Record("stopped.avi");
  anim->aniTimerTimer();
  anim->aniTimerTimer();
  row.Break(*anim->Recorder(), Path("stopped.avi"));
  anim->aniTimerTimer();
  EXPECT_FALSE(window->Recording());
  EXPECT_EQ(Status(), " Animation recording has been stopped.");
  const QStringList errors = prompts->Log.filter("error:");
  ASSERT_EQ(errors.size(), 1) << prompts->Log.join("\n").toStdString();
  EXPECT_TRUE(errors.front().contains(row.Why)) << errors.front().toStdString();
  EXPECT_TRUE(errors.front().contains(row.Outcome)) << errors.front().toStdString();
  EXPECT_TRUE(errors.front().contains(Path("stopped.avi"))) << errors.front().toStdString();
  if (row.PlayableFrames >= 0) {
    EXPECT_EQ(ReadMovie(Path("stopped.avi")).Frames, row.PlayableFrames);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Causes, RecordingStopsTest,
    ::testing::Values(
        // Less room than the next frame and the end of the file need.
        StopRow{"DiskAlmostFull",
                [](TAVIRecorder& r, const QString&) {
                  const int64_t room = r.RoomNeededForNextFrame() - 1;
                  r.FreeSpace = [room](const std::string&) { return room; };
                },
                "The disk is full, so the recording has stopped.", "The frames recorded so far are kept in", 2},
        // Writing fails for real (the file may grow no more): neither the
        // frame nor the end of the movie can be written.
        StopRow{"WriteFails",
                [](TAVIRecorder&, const QString& movie) {
                  ::signal(SIGXFSZ, SIG_IGN);
                  rlimit limit{};
                  ::getrlimit(RLIMIT_FSIZE, &limit);
                  limit.rlim_cur = rlim_t(QFileInfo(movie).size());
                  ::setrlimit(RLIMIT_FSIZE, &limit);
                },
                "the movie could not be written (Add Frame Error)", "could not be finished and may not play", -1}),
    [](const ::testing::TestParamInfo<StopRow>& info) { return std::string(info.param.Name); });

TEST_F(AnimationTest, ClosingTheWindowFinishesTheMovie) {
  StartAt(480, 360, 10);
  Record("closed.avi");
  for (int i = 0; i < 3; ++i) anim->aniTimerTimer();
  window->project.ProjectSaved = true;
  QCloseEvent e;
  QApplication::sendEvent(window.get(), &e);
  EXPECT_TRUE(e.isAccepted());
  EXPECT_FALSE(window->Recording());
  EXPECT_EQ(anim->Recorder(), nullptr);
  EXPECT_TRUE(prompts->Log.filter("error:").isEmpty());
  EXPECT_EQ(ReadMovie(Path("closed.avi")).Frames, 3);
}

TEST_F(AnimationTest, PlayHandsTheChosenFileToTheDesktop) {
  StartAt(480, 360, 10);
  window->Action(CommandId::AnimationPlay)->trigger();  // cancelled
  EXPECT_EQ(QDir(prompts->LastFolder), QDir(dir.filePath("program/Animations")));
  prompts->FileNames.push_back(Path("films/a.avi"));
  window->Action(CommandId::AnimationPlay)->trigger();
  EXPECT_EQ(prompts->Log.filter("document:"), QStringList{"document: " + Path("films/a.avi")});
  EXPECT_EQ(anim->LastAnimationOpenFolder, QDir::toNativeSeparators(dir.filePath("films") + "/"));
  window->Action(CommandId::AnimationPlay)->trigger();
  EXPECT_EQ(prompts->LastFolder, anim->LastAnimationOpenFolder);
  EXPECT_TRUE(prompts->Log.contains("open: Open Animation"));
}

}  // namespace
}  // namespace plumavo::test
