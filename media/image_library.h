// FreeImage, loaded the first time an image file is read or written rather
// than when the program starts: with its codecs it is a few dozen shared
// objects, and the window needs none of them to come up.
//
// Only image_file.cpp includes this. The header gives the types; the
// functions are called through the table, never by name.
#pragma once

#include <FreeImage.h>

#include <string>

namespace plumavo {

// Every function of the library the image files use.
// clang-format off
#define PLUMAVO_IMAGE_FUNCTIONS(X)      \
  X(FreeImage_AcquireMemory)            \
  X(FreeImage_Allocate)                 \
  X(FreeImage_CloseMemory)              \
  X(FreeImage_ColorQuantize)            \
  X(FreeImage_ConvertTo24Bits)          \
  X(FreeImage_ConvertTo32Bits)          \
  X(FreeImage_ConvertToStandardType)    \
  X(FreeImage_FIFSupportsExportBPP)     \
  X(FreeImage_FIFSupportsExportType)    \
  X(FreeImage_FIFSupportsNoPixels)      \
  X(FreeImage_FIFSupportsReading)       \
  X(FreeImage_FIFSupportsWriting)       \
  X(FreeImage_GetBPP)                   \
  X(FreeImage_GetFIFFromFilename)       \
  X(FreeImage_GetFileType)              \
  X(FreeImage_GetHeight)                \
  X(FreeImage_GetImageType)             \
  X(FreeImage_GetScanLine)              \
  X(FreeImage_GetWidth)                 \
  X(FreeImage_HasPixels)                \
  X(FreeImage_Initialise)               \
  X(FreeImage_Load)                     \
  X(FreeImage_OpenMemory)               \
  X(FreeImage_SaveToMemory)             \
  X(FreeImage_SetOutputMessage)         \
  X(FreeImage_Unload)
// clang-format on

struct ImageLibrary {
// The argument is a function's name, declared here under that name, which
// no parentheses could enclose.
#define PLUMAVO_IMAGE_POINTER(name) decltype(&::name) name = nullptr;  // NOLINT(bugprone-macro-parentheses)
  PLUMAVO_IMAGE_FUNCTIONS(PLUMAVO_IMAGE_POINTER)
#undef PLUMAVO_IMAGE_POINTER
};

// The library, loaded and initialised on the first call (from any thread,
// once); nullptr when it cannot be, with the reason in *why.
const ImageLibrary* LoadImageLibrary(std::string* why = nullptr);

}  // namespace plumavo
