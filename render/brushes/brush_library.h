// The brush library: the tables of brush_tables.h plus the brush images and
// their 16 x 16 icons, unpacked from the data built into the program, the
// icons and the images each on their first use.
#pragma once

#include <string>

#include "render/brushes/brush_tables.h"
#include "surface/bitmap32.h"

namespace plumavo {

// 231 entries. Entries 0..3 are scratch bitmaps sized 1x1, 2x2, 3x3 and 4x4
// for the dot brushes; entry v + 1 holds brush v (v = 3..229), width w and
// height w * frames with the frames stacked top to bottom. Built on first use
// (thread-safe); callers copy an entry before changing it.
const TBitmap32List& BrushList();

// The 16 x 16 icon of brush 0..229; out of range gives an empty bitmap.
const TBitmap32& BrushIcon(int brush);

// Empty when the built-in brush data unpacked cleanly. Otherwise the reason,
// and the library serves plain soft discs of the right sizes instead, so
// every size and frame count still holds.
const std::string& BrushLibraryError();

}  // namespace plumavo
