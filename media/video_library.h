// The video libraries (libavformat, libavcodec, libavutil, libswscale),
// loaded the first time a movie is made rather than when the program starts:
// with everything they pull in they are well over a hundred shared objects,
// and loading them took longer than showing the window.
//
// Only the AVI writer includes this. The headers give the types; the
// functions are called through the table, never by name.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace plumavo {

// Every function of the libraries the writer calls.
// clang-format off
#define PLUMAVO_VIDEO_FUNCTIONS(X)      \
  X(av_frame_alloc)                     \
  X(av_frame_free)                      \
  X(av_frame_get_buffer)                \
  X(av_frame_make_writable)             \
  X(av_guess_format)                    \
  X(av_interleaved_write_frame)         \
  X(av_packet_alloc)                    \
  X(av_packet_free)                     \
  X(av_packet_rescale_ts)               \
  X(av_packet_unref)                    \
  X(av_write_trailer)                   \
  X(avcodec_alloc_context3)             \
  X(avcodec_find_encoder_by_name)       \
  X(avcodec_free_context)               \
  X(avcodec_open2)                      \
  X(avcodec_parameters_from_context)    \
  X(avcodec_receive_packet)             \
  X(avcodec_send_frame)                 \
  X(avformat_alloc_output_context2)     \
  X(avformat_free_context)              \
  X(avformat_new_stream)                \
  X(avformat_query_codec)               \
  X(avformat_write_header)              \
  X(avio_closep)                        \
  X(avio_flush)                         \
  X(avio_open)                          \
  X(sws_freeContext)                    \
  X(sws_getContext)                     \
  X(sws_scale)
// clang-format on

struct VideoLibrary {
// The argument is a function's name, declared here under that name, which
// no parentheses could enclose.
#define PLUMAVO_VIDEO_POINTER(name) decltype(&::name) name = nullptr;  // NOLINT(bugprone-macro-parentheses)
  PLUMAVO_VIDEO_FUNCTIONS(PLUMAVO_VIDEO_POINTER)
#undef PLUMAVO_VIDEO_POINTER
};

// The libraries, loaded on the first call (from any thread, once); nullptr
// when they cannot be, with the reason in *why.
const VideoLibrary* LoadVideoLibrary(std::string* why = nullptr);

}  // namespace plumavo
