#include "app/animation_commands.h"
#include "app/user_folders.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QTimer>

#include "app/file_commands.h"
#include "app/main_window.h"
#include "app/preferences.h"
#include "app/prompts.h"
#include "app/safely.h"
#include "app/video_compression_dialog.h"
#include "app/widgets.h"

namespace plumavo {

namespace {

constexpr const char* kMovieFilter = "AVI Movie Files (*.avi)";
constexpr const char* kMovieExtension = "avi";
constexpr TColor kPenBlack = 0x000000;
constexpr TColor kPenRed = 0x0000FF;

// The folder of a chosen file, with its trailing separator.
QString FolderOf(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absolutePath() + "/"); }

}  // namespace

AnimationCommands::AnimationCommands(MainWindow& window)
    : QObject(&window), ProgramFolder(QCoreApplication::applicationDirPath()), w_(window) {
  // The commands this module carries out.
  window.commands->Bind(CommandId::AnimationRecord, [this] { RecordButtonClick(); });
  window.commands->Bind(CommandId::AnimationStop, [this] { StopButtonClick(); });
  window.commands->Bind(CommandId::AnimationPlay, [this] { PlayButtonClick(); });
  connect(window.aniTimer, &QTimer::timeout, this, [this] { Safely([&] { aniTimerTimer(); }); });
}

// A recorder still running here (the window destroyed without a close) is
// finished by its own destructor.
AnimationCommands::~AnimationCommands() = default;

QString AnimationCommands::AnimationsFolder() const {
  return StartFolder(ProgramFolder, "Animations", QStandardPaths::MoviesLocation);
}

void AnimationCommands::SetFramePen(TColor c) {
  FramePen = c;
  w_.viewFrame->SetColor(ToQColor(c));
}

void AnimationCommands::RecordButtonClick() {
  if (recorder_ != nullptr) return;  // one recording at a time
  Prompter::SaveRequest request;
  request.Title = "Save Animation As...";
  request.Folder = LastAnimationSaveFolder.isEmpty() ? AnimationsFolder() : LastAnimationSaveFolder;
  const QString base = QFileInfo(QString::fromStdString(w_.project.ProjectFileName)).completeBaseName();
  request.FileName = base.isEmpty() ? QString("Untitled") : base;
  request.Filter = kMovieFilter;
  request.DefaultExt = kMovieExtension;
  const std::optional<QString> chosen = w_.Prompts().SaveFileWithFilter(request);
  if (!chosen || chosen->isEmpty()) return;
  QString path = *chosen;
  if (QFileInfo(path).suffix().isEmpty()) path += QString(".") + kMovieExtension;
  w_.repaint();
  LastAnimationSaveFolder = FolderOf(path);
  if (QFileInfo(path).isFile()) QFile::remove(path);

  auto recorder = std::make_unique<TAVIRecorder>();
  recorder->Filename = QFile::encodeName(path).toStdString();
  // The default 8 x 8 block restriction rounds the sides down: 500 x 333
  // records 496 x 328.
  recorder->SetWidth(w_.project.Width);
  recorder->SetHeight(w_.project.Height);
  const StoredPreferences preferences = w_.files != nullptr ? w_.files->Preferences : StoredPreferences{};
  const int32_t rate = UsableFrameRate(preferences.FrameRate);
  // The compressor and its quality are chosen together; a cancelled choice
  // records with the default compressor at the preferred quality.
  int32_t qualityPercent = UsableAnimationQuality(preferences.AnimationQuality);
  // Made on the first recording: listing the encoders loads the video
  // libraries, which the window does not need to come up.
  if (videoCompressionDialog == nullptr) videoCompressionDialog = new VideoCompressionDialog(AvailableAVICodecs(), &w_);
  videoCompressionDialog->SetQuality(qualityPercent);
  std::optional<std::string> codec;
  if (w_.Prompts().RunDialog(*videoCompressionDialog)) {
    codec = videoCompressionDialog->Codec();
    qualityPercent = videoCompressionDialog->Quality();
    if (w_.files != nullptr) w_.files->Preferences.AnimationQuality = qualityPercent;
  }
  recorder->Compressor = TAVICompressor::acShowDialog;
  recorder->ChooseCompressor = [codec]() { return codec; };
  const int32_t quality = qualityPercent * 100;
  bool created = false;
  try {
    created = recorder->CreateAVI(rate, quality);
  } catch (const std::exception& e) {
    // The movie file could not be set up; the user is told below.
    std::fprintf(stderr, "plumavo: creating the AVI file failed: %s\n", e.what());
  }
  if (!created) {
    w_.Prompts().Error("Cannot create AVI file.");
    recorder.reset();
    if (QFileInfo(path).isFile()) QFile::remove(path);
    return;
  }
  recorder_ = std::move(recorder);
  w_.aniTimer->setInterval(1000 / rate);
  w_.aniTimer->start();
  w_.OutputImage.SetSize(w_.project.Width, w_.project.Height);
  Idle = 0;
  w_.editor->SetRecording(true);
  w_.UpdateInterfaceState();
}

void AnimationCommands::aniTimerTimer() {
  if (recorder_ == nullptr) {
    w_.aniTimer->stop();
    return;
  }
  SetFramePen(FramePen == kPenBlack ? kPenRed : kPenBlack);
  w_.TakeOutputSnapshot();
  try {
    recorder_->AddFrame(w_.OutputImage);
  } catch (const TAVIDiskFull&) {
    StopRecording("The disk is full, so the recording has stopped.");
    return;
  } catch (const std::exception& e) {
    StopRecording("The recording has stopped: the movie could not be written (" + QString(e.what()) + ").");
    return;
  }
  w_.statusPanels->SetText(0, QString::number(recorder_->FrameIndex()) + " Frames have been recorded!" +
                                  " Press Esc key to stop recording.");
  Idle = uint16_t(std::min(int(Idle) + w_.aniTimer->interval(), 0xFFFF));
  if (Idle > kIdleLimit || recorder_->FrameIndex() > kFrameLimit) StopButtonClick();
}

void AnimationCommands::StopButtonClick() { StopRecording({}); }

void AnimationCommands::StopRecording(const QString& why) {
  SetFramePen(kPenBlack);
  w_.statusPanels->SetText(0, " Animation recording has been stopped.");
  w_.aniTimer->stop();
  bool finished = true;
  QString movie;
  if (recorder_ != nullptr) {
    movie = QString::fromStdString(recorder_->Filename);
    finished = false;
    Safely([&] { finished = recorder_->CloseAVI(false); });
    recorder_.reset();
  }
  w_.OutputImage.SetSize(0, 0);
  w_.editor->SetRecording(false);
  w_.UpdateInterfaceState();
  // The user hears why a recording ended early, and whether what was
  // recorded can be played: never "kept" for a movie that was not finished.
  if (why.isEmpty() && finished) return;
  const QString kept = finished ? "The frames recorded so far are kept in " + movie + "."
                                : "The movie " + movie + " could not be finished and may not play.";
  w_.Prompts().Error(why.isEmpty() ? kept : why + "\n" + kept);
}

void AnimationCommands::FormClose() {
  w_.aniTimer->stop();
  if (recorder_ == nullptr) return;
  // The window is closing: no box any more, but the log says it.
  Safely(
      [&] {
        if (!recorder_->CloseAVI(false))
          std::fputs("plumavo: the movie being recorded could not be finished\n", stderr);
      },
      "finishing the recording");
  recorder_.reset();
  w_.editor->SetRecording(false);
}

void AnimationCommands::PlayButtonClick() {
  if (w_.Recording()) return;
  const QString folder = LastAnimationOpenFolder.isEmpty() ? AnimationsFolder() : LastAnimationOpenFolder;
  const std::optional<QString> path = w_.Prompts().OpenFileName("Open Animation", folder, kMovieFilter);
  if (!path || path->isEmpty()) return;
  w_.repaint();
  LastAnimationOpenFolder = FolderOf(*path);
  w_.Prompts().OpenDocument(*path);
}

}  // namespace plumavo
