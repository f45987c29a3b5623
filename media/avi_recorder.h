// Writes a movie of equally timed frames into an AVI file through libavformat
// and libavcodec. No toolkit code: the window supplies the compressor choice
// through a callback.
//
// Errors: CreateAVI answers false and leaves its reason in LastError();
// AddFrame and CloseAVI throw TAVIError. A failed CreateAVI leaves no file of
// its own making behind. An open file is always finished (trailer written,
// everything freed) by CloseAVI or, failing that, by the destructor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "surface/bitmap32.h"

namespace plumavo {

enum class TAVICompressor { acDefault, acShowDialog };

// Frame sizes are rounded down to a multiple of 1, 2, 4 or 8 pixels.
enum class TAVISizeRestriction { srNoRestriction, srForceBlock2x2, srForceBlock4x4, srForceBlock8x8 };

int32_t RestrictSize(int32_t size, TAVISizeRestriction r);

class TAVIError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// AddFrame's refusal while there is still room to finish the movie: the file
// is closed with CloseAVI as usual and stays playable.
class TAVIDiskFull : public TAVIError {
 public:
  using TAVIError::TAVIError;
};

// Bytes free for this user on the file system holding path (-1 unknown).
int64_t FreeDiskSpace(const std::string& path);

// An encoder the AVI container can carry: libavcodec's name and a caption.
struct TAVICodecInfo {
  std::string Name;
  std::string Caption;
  // Whether the compressor quality changes what this encoder writes. Microsoft
  // Video 1 here works at one fixed quality and Huffyuv is lossless.
  bool UsesQuality = true;
};

// The encoder used when none was chosen: Microsoft Video 1.
inline constexpr const char* kDefaultAVICodec = "msvideo1";

// The encoders offered for AVI files that this libavcodec actually has,
// Microsoft Video 1 first.
std::vector<TAVICodecInfo> AvailableAVICodecs();

class TAVIRecorder {
 public:
  TAVIRecorder();
  ~TAVIRecorder();
  TAVIRecorder(const TAVIRecorder&) = delete;
  TAVIRecorder& operator=(const TAVIRecorder&) = delete;

  // Frame size. A new value is stored rounded by SizeRestriction; values
  // <= 0 and any change while a file is open are ignored.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetWidth(int32_t w);
  void SetHeight(int32_t h);
  TAVISizeRestriction SizeRestriction() const { return restriction_; }
  // Re-rounds the stored width and height.
  void SetSizeRestriction(TAVISizeRestriction r);

  // Path of the file to create, in the file system's encoding. It must be
  // set: the recorder asks for no name itself.
  std::string Filename;
  TAVICompressor Compressor = TAVICompressor::acShowDialog;
  // Asked for the encoder when Compressor is acShowDialog: an encoder name,
  // or nullopt when the user cancelled (then the default encoder is used).
  // Without a callback the default encoder is used.
  std::function<std::optional<std::string>()> ChooseCompressor;

  // Asked before every frame how much room is left beside the file; the
  // default asks the file system. Tests put in a shrinking disk.
  std::function<int64_t(const std::string& path)> FreeSpace = FreeDiskSpace;
  // The room kept free before a frame: the worst case of that frame plus
  // what finishing the file takes (index entries, headers, a margin).
  int64_t RoomNeededForNextFrame() const;

  // Frames written so far, also the position of the next one.
  int32_t FrameIndex() const { return frameIndex_; }
  bool IsOpen() const { return state_ != nullptr; }
  // The encoder in use while a file is open.
  std::string CodecName() const;
  // Why the last CreateAVI failed (empty after a success).
  const std::string& LastError() const { return lastError_; }

  // Creates the file. frameRate is frames per second (1..1000), quality the
  // compressor quality 0..10000 (clamped). Key frames come once a second.
  [[nodiscard]] bool CreateAVI(int32_t frameRate, int32_t quality);
  // Appends the top-left Width x Height pixels of source as the next frame;
  // whatever the source does not cover is black. Throws TAVIDiskFull, before
  // writing anything, when the disk has no room for this frame and the end
  // of the file; "Add Frame Error" for any other failure.
  void AddFrame(const TBitmap32& source);
  // Finishes the file, frees the encoder and deletes the file if asked.
  // True when the movie was finished completely (its last frames, index and
  // headers written); false when that failed, and the file may not play.
  // Throws "Cannot close AVI file. AVI file not created." when none is open.
  [[nodiscard]] bool CloseAVI(bool deleteFile);

 private:
  struct TState;
  [[nodiscard]] bool Finish(bool deleteFile);

  int32_t width_ = 320;
  int32_t height_ = 200;
  TAVISizeRestriction restriction_ = TAVISizeRestriction::srForceBlock8x8;
  int32_t frameIndex_ = 0;
  std::string lastError_;
  std::unique_ptr<TState> state_;
};

}  // namespace plumavo
