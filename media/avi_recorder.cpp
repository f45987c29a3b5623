#include "media/avi_recorder.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "media/video_library.h"

namespace plumavo {

namespace {

constexpr const char* kOpenFileError = "Cannot create AVI file. Disk full or file in use?";
constexpr const char* kStreamError = "Cannot create AVI stream.";
constexpr const char* kCompressedStreamError = "Cannot make compressed stream. ";
constexpr const char* kNoCompressor = "No such compressor found";
constexpr const char* kFormatError = "AVIStreamSetFormat Error";
constexpr const char* kAddFrameError = "Add Frame Error";
constexpr const char* kDiskFullError = "The disk is full.";
// Kept free beyond a frame and its index entry, for the headers rewritten at
// the end and whatever the file system needs for itself.
constexpr int64_t kFinishMargin = int64_t{64} * 1024;
constexpr const char* kCloseError = "Cannot close AVI file. AVI file not created.";

struct TCandidate {
  const char* Name;
  const char* Caption;
  bool UsesQuality;
};
constexpr TCandidate kCandidates[] = {
    {"msvideo1", "Microsoft Video 1", false},
    {"mjpeg", "Motion JPEG", true},
    {"mpeg4", "MPEG-4 Part 2", true},
    {"huffyuv", "Huffyuv (lossless)", false},
};

const AVCodec* AviEncoder(const VideoLibrary& video, const std::string& name) {
  const AVCodec* codec = video.avcodec_find_encoder_by_name(name.c_str());
  if (codec == nullptr || codec->type != AVMEDIA_TYPE_VIDEO || codec->pix_fmts == nullptr) return nullptr;
  const AVOutputFormat* avi = video.av_guess_format("avi", nullptr, nullptr);
  if (avi == nullptr || video.avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1) return nullptr;
  return codec;
}

// Compressor quality 0..10000 as a quantiser 31 (worst) .. 1 (best).
int QScaleOf(int32_t quality) { return 31 - (quality * 30 + 5000) / 10000; }

// Removes path only when it is an ordinary file: a device or folder given as
// the file name is never touched.
void RemoveRegularFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
}

}  // namespace

int32_t RestrictSize(int32_t size, TAVISizeRestriction r) {
  const int32_t block = 1 << int(r);
  return size - size % block;
}

std::vector<TAVICodecInfo> AvailableAVICodecs() {
  std::vector<TAVICodecInfo> r;
  const VideoLibrary* video = LoadVideoLibrary();
  if (video == nullptr) return r;
  for (const TCandidate& c : kCandidates)
    if (AviEncoder(*video, c.Name) != nullptr) r.push_back({c.Name, c.Caption, c.UsesQuality});
  return r;
}

struct TAVIRecorder::TState {
  explicit TState(const VideoLibrary& v) : video(v) {}
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;

  const VideoLibrary& video;
  std::string Path;
  bool CreatedFile = false;  // the file did not exist before it was opened
  bool HeaderWritten = false;
  int64_t LargestPacket = 0;  // the largest compressed frame written so far
  AVFormatContext* Format = nullptr;
  AVCodecContext* Encoder = nullptr;
  AVStream* Stream = nullptr;
  AVFrame* Frame = nullptr;
  AVPacket* Packet = nullptr;
  SwsContext* Scaler = nullptr;
  std::vector<TColor32> Pixels;  // the frame as taken from the source

  ~TState() {
    video.sws_freeContext(Scaler);
    video.av_packet_free(&Packet);
    video.av_frame_free(&Frame);
    video.avcodec_free_context(&Encoder);
    if (Format != nullptr) {
      if (Format->pb != nullptr) video.avio_closep(&Format->pb);
      video.avformat_free_context(Format);
    }
  }

  // Hands every packet the encoder has ready to the file; false on failure.
  bool WritePackets() {
    for (;;) {
      const int r = video.avcodec_receive_packet(Encoder, Packet);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return false;
      video.av_packet_rescale_ts(Packet, Encoder->time_base, Stream->time_base);
      Packet->stream_index = Stream->index;
      LargestPacket = std::max<int64_t>(LargestPacket, Packet->size);
      const int w = video.av_interleaved_write_frame(Format, Packet);
      video.av_packet_unref(Packet);
      if (w < 0) return false;
    }
  }
};

TAVIRecorder::TAVIRecorder() = default;

TAVIRecorder::~TAVIRecorder() {
  if (!IsOpen()) return;
  // A destructor cannot report to the caller; CloseAVI is the way to learn
  // how it ended. Here it is only logged.
  try {
    (void)Finish(false);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plumavo: closing an abandoned AVI file failed: %s\n", e.what());
  }
}

void TAVIRecorder::SetWidth(int32_t w) {
  if (IsOpen() || w <= 0 || w == width_) return;
  width_ = RestrictSize(w, restriction_);
}

void TAVIRecorder::SetHeight(int32_t h) {
  if (IsOpen() || h <= 0 || h == height_) return;
  height_ = RestrictSize(h, restriction_);
}

void TAVIRecorder::SetSizeRestriction(TAVISizeRestriction r) {
  if (IsOpen() || r == restriction_) return;
  restriction_ = r;
  width_ = RestrictSize(width_, r);
  height_ = RestrictSize(height_, r);
}

std::string TAVIRecorder::CodecName() const {
  return IsOpen() && state_->Encoder != nullptr ? state_->Encoder->codec->name : std::string();
}

bool TAVIRecorder::CreateAVI(int32_t frameRate, int32_t quality) {
  lastError_.clear();
  if (IsOpen()) {
    lastError_ = kOpenFileError;
    return false;
  }
  frameIndex_ = 0;
  auto fail = [this](std::string text) {
    lastError_ = std::move(text);
    const bool created = state_->CreatedFile;
    const std::string path = state_->Path;
    state_.reset();  // closes the half-made file
    // A file without its header is no movie: it goes.
    if (created) RemoveRegularFile(path);
    return false;
  };

  std::string why;
  const VideoLibrary* loaded = LoadVideoLibrary(&why);
  if (loaded == nullptr) {
    lastError_ = kCompressedStreamError + why;
    return false;
  }
  const VideoLibrary& video = *loaded;
  state_ = std::make_unique<TState>(video);
  TState& s = *state_;
  s.Path = Filename;
  if (s.Path.empty()) return fail(kOpenFileError);
  std::error_code ec;
  const bool existed = std::filesystem::exists(s.Path, ec);
  if (video.avformat_alloc_output_context2(&s.Format, nullptr, "avi", s.Path.c_str()) < 0 || s.Format == nullptr)
    return fail(kOpenFileError);
  if (video.avio_open(&s.Format->pb, s.Path.c_str(), AVIO_FLAG_WRITE) < 0) return fail(kOpenFileError);
  s.CreatedFile = !existed;

  // A rate below 1 would divide by zero in the timing; sizes below one pixel
  // (a tiny size under a block restriction) make no stream.
  if (frameRate < 1 || frameRate > 1000 || width_ < 1 || height_ < 1) return fail(kStreamError);
  s.Stream = video.avformat_new_stream(s.Format, nullptr);
  if (s.Stream == nullptr) return fail(kStreamError);

  std::string name = kDefaultAVICodec;
  if (Compressor == TAVICompressor::acShowDialog && ChooseCompressor) {
    if (std::optional<std::string> chosen = ChooseCompressor()) name = *chosen;
  }
  const AVCodec* codec = AviEncoder(video, name);
  if (codec == nullptr) return fail(std::string(kCompressedStreamError) + kNoCompressor);
  s.Encoder = video.avcodec_alloc_context3(codec);
  if (s.Encoder == nullptr) return fail(kCompressedStreamError);
  AVCodecContext& e = *s.Encoder;
  e.width = width_;
  e.height = height_;
  e.time_base = AVRational{1, frameRate};
  e.framerate = AVRational{frameRate, 1};
  e.pix_fmt = codec->pix_fmts[0];
  e.max_b_frames = 0;
  // One key frame a second. Microsoft Video 1 counts the frames between key
  // frames in keyint_min instead of using the group size.
  e.gop_size = frameRate;
  if (codec->id == AV_CODEC_ID_MSVIDEO1) e.keyint_min = frameRate - 1;
  // Quality drives the quantiser of the encoders that have one; Microsoft
  // Video 1 here works at a fixed quality and ignores it.
  e.flags |= AV_CODEC_FLAG_QSCALE;
  e.global_quality = FF_QP2LAMBDA * QScaleOf(std::clamp(quality, 0, 10000));
  if ((s.Format->oformat->flags & AVFMT_GLOBALHEADER) != 0) e.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (video.avcodec_open2(s.Encoder, codec, nullptr) < 0) return fail(kCompressedStreamError);
  if (video.avcodec_parameters_from_context(s.Stream->codecpar, s.Encoder) < 0) return fail(kCompressedStreamError);
  s.Stream->time_base = e.time_base;
  s.Stream->avg_frame_rate = e.framerate;

  s.Frame = video.av_frame_alloc();
  s.Packet = video.av_packet_alloc();
  if (s.Frame == nullptr || s.Packet == nullptr) return fail(kFormatError);
  s.Frame->format = e.pix_fmt;
  s.Frame->width = width_;
  s.Frame->height = height_;
  if (video.av_frame_get_buffer(s.Frame, 0) < 0) return fail(kFormatError);
  // TColor32 is 0xAARRGGBB in native byte order, which is AV_PIX_FMT_RGB32.
  s.Scaler = video.sws_getContext(width_, height_, AV_PIX_FMT_RGB32, width_, height_, e.pix_fmt, SWS_POINT, nullptr,
                                  nullptr, nullptr);
  if (s.Scaler == nullptr) return fail(kFormatError);
  s.Pixels.assign(size_t(width_) * size_t(height_), 0);
  if (video.avformat_write_header(s.Format, nullptr) < 0) return fail(kFormatError);
  s.HeaderWritten = true;
  return true;
}

int64_t FreeDiskSpace(const std::string& path) {
  struct statvfs fs {};
  if (::statvfs(path.c_str(), &fs) != 0) return -1;
  return int64_t(fs.f_bavail) * int64_t(fs.f_frsize);
}

int64_t TAVIRecorder::RoomNeededForNextFrame() const {
  // Room for three times the frame's raw 32-bit pixels, or twice the largest
  // frame so far: well above what any encoder offered here writes, even at
  // the highest quality on noise. The index takes 16 bytes a frame, written
  // at the end.
  const int64_t largest = state_ != nullptr ? state_->LargestPacket : 0;
  const int64_t frame = std::max(int64_t(width_) * height_ * 4 * 3, 2 * largest) + 4096;
  const int64_t index = 16 * (int64_t(frameIndex_) + 1) + 64;
  return frame + index + kFinishMargin;
}

void TAVIRecorder::AddFrame(const TBitmap32& source) {
  if (!IsOpen()) throw TAVIError(kAddFrameError);
  TState& s = *state_;
  const VideoLibrary& video = s.video;
  // Stop while the movie can still be finished: a file cut off in the middle
  // of a frame has no index, and no player opens it.
  if (FreeSpace) {
    const int64_t free = FreeSpace(s.Path);
    if (free >= 0 && free < RoomNeededForNextFrame()) throw TAVIDiskFull(kDiskFullError);
  }
  const int32_t cw = std::min(width_, source.Width());
  const int32_t ch = std::min(height_, source.Height());
  for (int32_t y = 0; y < height_; ++y) {
    TColor32* row = s.Pixels.data() + size_t(y) * size_t(width_);
    int32_t x = 0;
    if (y < ch && cw > 0) {
      std::memcpy(row, source.ScanLine(y), size_t(cw) * sizeof(TColor32));
      x = cw;
    }
    std::fill(row + x, row + width_, 0xFF000000u);
  }
  if (video.av_frame_make_writable(s.Frame) < 0) throw TAVIError(kAddFrameError);
  const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(s.Pixels.data())};
  const int strides[1] = {width_ * 4};
  if (video.sws_scale(s.Scaler, planes, strides, 0, height_, s.Frame->data, s.Frame->linesize) != height_)
    throw TAVIError(kAddFrameError);
  s.Frame->pts = frameIndex_;
  s.Frame->quality = s.Encoder->global_quality;
  if (video.avcodec_send_frame(s.Encoder, s.Frame) < 0 || !s.WritePackets()) throw TAVIError(kAddFrameError);
  // Each frame goes to the disk at once, so that the free space asked for
  // before the next one is the true one and a write error shows now.
  video.avio_flush(s.Format->pb);
  if (s.Format->pb->error < 0) throw TAVIError(kAddFrameError);
  ++frameIndex_;
}

bool TAVIRecorder::CloseAVI(bool deleteFile) {
  if (!IsOpen()) throw TAVIError(kCloseError);
  return Finish(deleteFile);
}

bool TAVIRecorder::Finish(bool deleteFile) {
  std::unique_ptr<TState> s = std::move(state_);
  const VideoLibrary& video = s->video;
  // Frames still inside the encoder, then the index: a failure here (a full
  // disk) still closes and frees everything, and is reported.
  bool finished = false;
  if (s->HeaderWritten) {
    const bool flushed = video.avcodec_send_frame(s->Encoder, nullptr) >= 0 && s->WritePackets();
    const bool trailer = video.av_write_trailer(s->Format) >= 0;
    video.avio_flush(s->Format->pb);
    finished = flushed && trailer && s->Format->pb->error >= 0;
  }
  const std::string path = s->Path;
  s.reset();
  if (deleteFile) RemoveRegularFile(path);
  return finished;
}

}  // namespace plumavo
