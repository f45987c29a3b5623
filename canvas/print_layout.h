// The arithmetic of printing and of the print preview, free of any window or
// printer: rounding, fitting a picture into a rectangle, the paper's place in
// the preview, the inch fields and the device rectangle that gets printed.
//
// Three coordinate systems meet here:
//  - device pixels of the printer, measured from the corner of the paper;
//  - preview pixels of the preview control (PageRect is the paper in it);
//  - the picture's location, in preview pixels from the paper's top-left
//    corner (TFloatRect, fractional so that resizing the preview keeps it).
#pragma once

#include <cstdint>

#include "surface/bitmap32.h"  // TRect

namespace plumavo {

// v rounded to the nearest integer, halves going to the even neighbour;
// limited to the int32 range (NaN gives 0) so no input leads to undefined
// behaviour.
int32_t RoundN(double v);
// v rounded to 0.01 as N(v / 0.01) × 0.01; non-finite values give 0.
double RoundD2(double v);

struct TFloatRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
  double Width() const { return Right - Left; }
  double Height() const { return Bottom - Top; }
  friend bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

// The selected printer's numbers, in device pixels.
struct PrinterMetrics {
  int32_t DpiX = 0, DpiY = 0;
  int32_t PaperWidth = 0, PaperHeight = 0;
  // Corner of the printable area on the paper.
  int32_t OffsetX = 0, OffsetY = 0;
  friend bool operator==(const PrinterMetrics&, const PrinterMetrics&) = default;
};

// The metrics the preview works with, made from what the printer reported.
// A resolution that is not positive becomes the screen's (96 when the
// screen reports none either); a paper whose width or height is not positive
// becomes 8.5 × 11 inches at the screen resolution. Every field that is later
// divided by is positive afterwards.
PrinterMetrics MeasurePrinter(const PrinterMetrics& reported, int32_t screenDpi);

// The largest rectangle of the source's aspect that fits into the target,
// centred on the target's longer free side. A source or target of height 0
// gives (0, 0, source width, source height).
TRect FitRect(const TRect& source, const TRect& target);

// Where the paper is drawn inside a preview control of width w and height h:
// the paper's aspect (each side 25 device pixels larger), centred, with a
// margin of 11 pixels on the left and top and 14 on the right and bottom.
TRect ComputePageRect(int32_t w, int32_t h, const PrinterMetrics& m);

// The picture (iw × ih) fitted onto the paper rectangle (rw × rh preview
// pixels), filling it in one direction and centred in the other. A picture or
// paper without height gives the empty location.
TFloatRect FitImageToPage(int32_t iw, int32_t ih, double rw, double rh, const PrinterMetrics& m);

// One inch field: its value and the range in force. Equal bounds mean no
// range at all.
struct TInchField {
  double Value = 0, Min = 0, Max = 0;
};
struct TInchFields {
  TInchField Left{0, -100, 100}, Top{0, -100, 100}, Width{0, 0.1, 100}, Height{0, 0.1, 100};
};

// A float field's rule for values: limited to [min, max] unless min = max.
double ClampToRange(double v, double min, double max);

// The fields for a picture location on a page of rw × rh preview pixels.
// Each value is rounded to 0.01 inch and limited by the range the field
// holds when it is set (the one in `current`); the ranges are then replaced:
// the origin may go back by up to the picture's size and forward to the
// paper's edge, the size lies between a tenth and ten times the paper.
TInchFields EditsFromLayer(const TFloatRect& layer, double rw, double rh, const PrinterMetrics& m,
                           const TInchFields& current);

// The picture location for the four inch values (Left, Top, Width, Height).
TFloatRect LayerFromEdits(double left, double top, double width, double height, double rw, double rh,
                          const PrinterMetrics& m);

// Which part of the placement frame is being dragged.
enum class TDragHandle { None, Move, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// Keeps the picture's aspect (iw × ih) while a handle of the frame is dragged
// with proportions constrained; moves, drags without a handle, unconstrained
// drags and pictures without size leave the proposal as it is.
TFloatRect ConstrainResize(const TFloatRect& proposed, TDragHandle handle, bool constrain, int32_t iw, int32_t ih);

// The printed rectangle in device pixels from the paper's corner for a
// picture location on a page of rw × rh preview pixels.
TRect DeviceRect(const TFloatRect& layer, double rw, double rh, const PrinterMetrics& m);
// The same for a picture of iw x ih pixels whose proportions are kept: the
// printed rectangle has the picture's aspect to within one printer pixel.
TRect DeviceRect(const TFloatRect& layer, double rw, double rh, const PrinterMetrics& m, int32_t iw, int32_t ih);

// The picture location after the page went from oldW × oldH to newW × newH
// preview pixels (a previous size that is not positive counts as 1). A new
// size that is not positive leaves the location alone: the caller keeps
// scaling from the last page that had a size.
TFloatRect ScaleLayer(const TFloatRect& layer, int32_t oldW, int32_t oldH, int32_t newW, int32_t newH);

// A page size as a divisor: sizes that are not positive count as 1.
double PageExtent(int32_t size);

}  // namespace plumavo
