// The Animation menu and buttons: recording the picture into an AVI movie at
// the preferred frame rate while the user goes on editing, stopping it (also
// by Esc, the idle limit, the frame limit, a failed frame or closing the
// window) and handing a movie to the desktop's player. The main window owns
// one of these for the whole run; it connects itself to the window's menu
// items and its frame timer.
#pragma once

#include <cstdint>
#include <memory>

#include <QObject>
#include <QString>

#include "media/avi_recorder.h"
#include "surface/bitmap32.h"

namespace plumavo {

class MainWindow;
class VideoCompressionDialog;

class AnimationCommands : public QObject {
  Q_OBJECT
 public:
  // Recording stops by itself after this much recording time without a mouse
  // movement over the picture, and after this many frames.
  static constexpr uint16_t kIdleLimit = 60000;
  static constexpr int32_t kFrameLimit = 36000;

  explicit AnimationCommands(MainWindow& window);
  ~AnimationCommands() override;

  // The folder the program file lies in; the dialogs start in "Animations"
  // beside it until a file has been chosen.
  QString ProgramFolder;
  // Folders (with a trailing separator) of the last movie recorded and
  // played; kept for the rest of the run only.
  QString LastAnimationSaveFolder;
  QString LastAnimationOpenFolder;

  // Recording time in milliseconds since the last mouse movement over the
  // picture (frame intervals added up, not wall-clock time).
  uint16_t Idle = 0;
  // The colour of the picture frame's pen (TColor); it blinks while recording.
  TColor FramePen = 0x808080;

  // The recorder exists exactly while a recording runs.
  TAVIRecorder* Recorder() const { return recorder_.get(); }
  VideoCompressionDialog* videoCompressionDialog = nullptr;  // made on first use

  // --- Handlers ---------------------------------------------------------------
  void RecordButtonClick();
  void StopButtonClick();
  // Ends the recording and finishes the movie; `why` (empty for the user's
  // own stop) and a failure to finish the movie are told in one message.
  void StopRecording(const QString& why);
  void PlayButtonClick();
  void aniTimerTimer();
  // Every mouse movement over the picture.
  void ImgDrawMouseMove() { Idle = 0; }
  // The window closes: a running recording ends, its file kept, silently.
  void FormClose();

  QString AnimationsFolder() const;

 private:
  void SetFramePen(TColor c);
  std::unique_ptr<TAVIRecorder> recorder_;
  MainWindow& w_;
};

}  // namespace plumavo
