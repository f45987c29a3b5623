// What the shape overlay draws, worked out without any painting library: a
// list of lines, handles and labels in view pixels, in the order they are
// painted (later items cover earlier ones). The QPainter side in
// overlay_painter.h only walks this list.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "model/project.h"
#include "surface/bitmap32.h"

namespace plumavo {

// Lines are drawn one pixel per step along their longer axis, antialiased
// across it, and leave out their end pixel. A selected outline is stippled
// with four colour entries (clear, clear, colour, colour): the pattern moves
// half an entry per step, so one period covers 8 pixels, and neighbouring
// entries are blended by the fractional position. StipplePos is the pattern
// position at the line's first pixel; plain lines ignore it.
struct OverlayLine {
  float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  TColor32 Color = 0xFF000000u;
  bool Dashed = false;
  float StipplePos = 0;
  friend bool operator==(const OverlayLine&, const OverlayLine&) = default;
};

inline constexpr float kStippleStep = 0.5f;

// Pixels a line covers along its longer axis (the end pixel left out).
int32_t LinePixelCount(float x1, float y1, float x2, float y2);

// The colour of the stipple (clear, clear, c, c) at pattern position pos,
// blending all four channels of the two neighbouring entries.
TColor32 StippleColor(TColor32 c, float pos);

// A vertex handle centred at (X, Y): see HandleFillRect / HandleFrameRect.
struct OverlayHandle {
  int32_t X = 0, Y = 0;
  friend bool operator==(const OverlayHandle&, const OverlayHandle&) = default;
};

// Text with its top-left corner at (X, Y), in the window-text colour.
struct OverlayLabel {
  int32_t X = 0, Y = 0;
  std::string Text;
  friend bool operator==(const OverlayLabel&, const OverlayLabel&) = default;
};

using OverlayItem = std::variant<OverlayLine, OverlayHandle, OverlayLabel>;

struct OverlayScene {
  std::vector<OverlayItem> Items;
};

// Handle: a 4 x 4 white square inside a one-pixel black frame of 6 x 6.
// Right and Bottom are exclusive.
inline TRect HandleFillRect(int32_t x, int32_t y) { return {x - 2, y - 2, x + 2, y + 2}; }
inline TRect HandleFrameRect(int32_t x, int32_t y) { return {x - 3, y - 3, x + 3, y + 3}; }
inline constexpr TColor32 kHandleFill = 0xFFFFFFFFu;
inline constexpr TColor32 kHandleFrame = 0xFF000000u;

// Outline colour of shape k: black for the Main-Shape whatever its record
// says, otherwise the record's colour made opaque.
TColor32 OutlineColor(const Project& p, int32_t shape);

// "0", "A", "B", "C" for the Main-Shape; n, "a", "b", "c" for Sub-Shape n.
std::string VertexLabel(int32_t shape, int32_t corner);

// The whole overlay for the project at the given zoom. lastMouse is in view
// pixels and ends the rubber band while a shape is being drawn. A project whose
// counts disagree with its arrays yields an empty scene rather than reading
// out of bounds.
OverlayScene BuildOverlayScene(const Project& p, double scale, float selectionDashPhase, Vertex lastMouse);

}  // namespace plumavo
