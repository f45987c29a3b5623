// The blend modes a sub-shape's brush can be stamped with: their names, the
// combine functions installed as a brush bitmap's OnPixelCombine, and the
// lookup tables and colour-space helpers they share.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "surface/bitmap32.h"

namespace plumavo {

// Modes the user can pick (indices 0..26, each with a name).
inline constexpr int kBlendModeCount = 27;
// Indices that select a function: the named ones plus 27, which has no name and
// is reachable only through a project file. It mixes exactly like Normal.
inline constexpr int kBlendFunctionCount = 28;

// The 27 names in index order, as shown in the blending-mode box.
const std::vector<std::string>& BlendModeNames();

// The combine function of mode `index` (0..27). Any other index, -1 included,
// yields nullptr; callers then keep whatever function they had before, so a
// bad index in a shape record never clears a brush's mode.
//
// Every function computes the opacity O = (alpha(F) * (M & 255)) div 256 and
// leaves B untouched when O = 0. Only B's colour channels change; its alpha
// byte is kept as it was.
TPixelCombineEvent BlendModeFunction(int index);

// Entry i = sqrt(i) rounded to nearest. Indices above 65280 would round to 256,
// which does not fit a byte; they hold 255 (the modes only index up to 255*255).
const std::array<uint8_t, 65536>& SqrtTable();
// Entry f*256+b holds f in its red, green and blue bytes and 0 in alpha.
const std::array<TColor32, 65536>& IdentityTable();

// Single-precision HSL, every component in 0..1.
struct THSL {
  float H = 0, S = 0, L = 0;
};
THSL RGBToHSL(TColor32 c);    // alpha ignored
TColor32 HSLToRGB(THSL hsl);  // alpha of the result is 255

}  // namespace plumavo
