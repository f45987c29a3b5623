// Stamping a brush (or one frame of an animated brush) onto a layer: the fast
// equivalent of TBitmap32::Draw(x, y, srcRect, src) for one draw mode and blend
// mode, with the kernel picked once per stamp rather than per pixel.
#pragma once

#include <cstdint>

#include "render/surface/bitmap32.h"

namespace plumavo {

// Draws srcRect of src with its top-left at (x, y), clipped to dst and to src
// exactly like TBitmap32::Draw, with `master` as the source's MasterAlpha. Sends
// dst's change notification when anything was drawn, as Draw does; wrap a batch
// of stamps in BeginUpdate/EndUpdate to notify once. Never allocates.
using TStampProc = void (*)(TBitmap32& dst, int32_t x, int32_t y, const TBitmap32& src, const TRect& srcRect,
                            uint8_t master);

// The kernel that gives exactly the pixels of dst.Draw with src.DrawMode = mode,
// src.MasterAlpha = master and, for dmCustom, src.OnPixelCombine =
// BlendModeFunction(blendIndex). blendIndex is ignored unless mode is dmCustom.
// A dmCustom index without a function (see BlendModeFunction) gets a kernel
// that draws nothing, just as Draw does with no OnPixelCombine; the result is
// never nullptr.
TStampProc StampProcFor(TDrawMode mode, int blendIndex);

}  // namespace plumavo
