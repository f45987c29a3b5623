#include "canvas/print_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plumavo {

namespace {

// Used wherever a size becomes a divisor.
double Positive(double v) { return v > 0 ? v : 1.0; }

double PaperWidthInches(const PrinterMetrics& m) { return double(m.PaperWidth) / Positive(m.DpiX); }
double PaperHeightInches(const PrinterMetrics& m) { return double(m.PaperHeight) / Positive(m.DpiY); }

}  // namespace

int32_t RoundN(double v) {
  if (std::isnan(v)) return 0;
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  // nearbyint rounds halves to even in the default rounding mode.
  return int32_t(std::clamp(std::nearbyint(v), lo, hi));
}

double RoundD2(double v) {
  if (!std::isfinite(v)) return 0;
  return std::nearbyint(v / 0.01) * 0.01;
}

PrinterMetrics MeasurePrinter(const PrinterMetrics& reported, int32_t screenDpi) {
  const int32_t screen = screenDpi > 0 ? screenDpi : 96;
  PrinterMetrics m = reported;
  if (m.DpiX <= 0) m.DpiX = screen;
  if (m.DpiY <= 0) m.DpiY = screen;
  // A paper missing either side is replaced as a whole, so the preview never
  // shows a page of no height and the inches stay those of a letter sheet.
  if (m.PaperWidth <= 0 || m.PaperHeight <= 0) {
    m.PaperWidth = RoundN(m.DpiX * 8.5);
    m.PaperHeight = RoundN(m.DpiY * 11.0);
  }
  return m;
}

TRect FitRect(const TRect& s, const TRect& t) {
  const double sw = s.Width(), sh = s.Height(), tw = t.Width(), th = t.Height();
  if (sh == 0 || th == 0) return {0, 0, s.Width(), s.Height()};
  if (tw / th >= sw / sh) {
    const int32_t w = RoundN(th * sw / sh);
    const int32_t left = int32_t((int64_t(t.Left) + (int64_t(t.Width()) - w) / 2));
    return {left, t.Top, left + w, t.Bottom};
  }
  const int32_t h = RoundN(tw * sh / sw);
  const int32_t top = int32_t((int64_t(t.Top) + (int64_t(t.Height()) - h) / 2));
  return {t.Left, top, t.Right, top + h};
}

TRect ComputePageRect(int32_t w, int32_t h, const PrinterMetrics& m) {
  const double pw = double(m.PaperWidth), ph = double(m.PaperHeight);
  if (ph <= 0 || pw <= 0 || h == 0) return {0, 2, 0, 2};
  // The paper, in its own proportions, as large as fits inside the margins
  // (11 pixels left and top, 14 right and bottom), centred on the long side:
  // inches across and down are then the same number of preview pixels.
  const int32_t aw = w - 25, ah = h - 25;
  if (aw <= 0 || ah <= 0) return {11, 11, 11, 11};  // no room: an empty page
  if (double(aw) / ah >= pw / ph) {
    const int32_t pageW = std::min(aw, RoundN(ah * pw / ph));
    const int32_t left = 11 + (aw - pageW) / 2;
    return {left, 11, left + pageW, 11 + ah};
  }
  const int32_t pageH = std::min(ah, RoundN(aw * ph / pw));
  const int32_t top = 11 + (ah - pageH) / 2;
  return {11, top, 11 + aw, top + pageH};
}

TFloatRect FitImageToPage(int32_t iw, int32_t ih, double rw, double rh, const PrinterMetrics& m) {
  if (iw <= 0 || ih <= 0 || m.PaperHeight <= 0) return {};
  const double aspect = double(iw) / ih;
  TFloatRect r;
  if (double(m.PaperWidth) / m.PaperHeight >= aspect) {
    r.Top = 0;
    r.Bottom = rh;
    r.Left = (rw - aspect * rh) / 2;
    r.Right = r.Left + rh * aspect;
  } else {
    r.Left = 0;
    r.Right = rw;
    r.Top = (rh - double(ih) / iw * rw) / 2;
    r.Bottom = r.Top + rw * ih / iw;
  }
  return r;
}

double ClampToRange(double v, double min, double max) {
  if (min == max) return v;
  return std::clamp(v, std::min(min, max), std::max(min, max));
}

TInchFields EditsFromLayer(const TFloatRect& layer, double rw, double rh, const PrinterMetrics& m,
                           const TInchFields& current) {
  const double pwi = PaperWidthInches(m), phi = PaperHeightInches(m);
  rw = Positive(rw);
  rh = Positive(rh);
  TInchFields f = current;
  auto set = [](TInchField& field, double v) { field.Value = ClampToRange(RoundD2(v), field.Min, field.Max); };
  set(f.Left, pwi * layer.Left / rw);
  set(f.Top, phi * layer.Top / rh);
  set(f.Width, pwi * layer.Width() / rw);
  set(f.Height, phi * layer.Height() / rh);
  f.Left.Min = -f.Width.Value;
  f.Left.Max = RoundD2(pwi);
  f.Top.Min = -f.Height.Value;
  f.Top.Max = RoundD2(phi);
  f.Width.Min = RoundD2(pwi * 0.1);
  f.Width.Max = RoundD2(pwi * 10);
  f.Height.Min = RoundD2(phi * 0.1);
  f.Height.Max = RoundD2(phi * 10);
  return f;
}

TFloatRect LayerFromEdits(double left, double top, double width, double height, double rw, double rh,
                          const PrinterMetrics& m) {
  const double pwi = Positive(PaperWidthInches(m)), phi = Positive(PaperHeightInches(m));
  TFloatRect r;
  r.Left = left * rw / pwi;
  r.Top = top * rh / phi;
  r.Right = width * rw / pwi + r.Left;
  r.Bottom = height * rh / phi + r.Top;
  return r;
}

TFloatRect ConstrainResize(const TFloatRect& proposed, TDragHandle handle, bool constrain, int32_t iw, int32_t ih) {
  if (!constrain || iw <= 0 || ih <= 0) return proposed;
  TFloatRect r = proposed;
  switch (handle) {
    case TDragHandle::None:
    case TDragHandle::Move: break;
    case TDragHandle::Left:
    case TDragHandle::Right:
    case TDragHandle::BottomLeft:
    case TDragHandle::BottomRight: r.Bottom = r.Top + r.Width() * ih / iw; break;
    case TDragHandle::Top:
    case TDragHandle::Bottom:
    case TDragHandle::TopRight: r.Right = r.Left + r.Height() * iw / ih; break;
    case TDragHandle::TopLeft: r.Top = r.Bottom - r.Width() * ih / iw; break;
  }
  return r;
}

TRect DeviceRect(const TFloatRect& layer, double rw, double rh, const PrinterMetrics& m) {
  rw = Positive(rw);
  rh = Positive(rh);
  return {RoundN(m.PaperWidth * layer.Left / rw), RoundN(m.PaperHeight * layer.Top / rh),
          RoundN(m.PaperWidth * layer.Right / rw), RoundN(m.PaperHeight * layer.Bottom / rh)};
}

TRect DeviceRect(const TFloatRect& layer, double rw, double rh, const PrinterMetrics& m, int32_t iw, int32_t ih) {
  TRect r = DeviceRect(layer, rw, rh, m);
  if (iw <= 0 || ih <= 0) return r;
  // The page on screen is whole preview pixels, so across and down scale to
  // the paper by slightly different factors; a frame stretched while the
  // proportions were free may be far off them. The picture takes the largest
  // rectangle of its own proportions inside the frame, about the same centre,
  // so it never prints beyond what the preview showed.
  const int64_t w = int64_t(r.Right) - r.Left, h = int64_t(r.Bottom) - r.Top;
  if (w <= 0 || h <= 0) return r;
  if (w * ih <= h * iw) {
    const int32_t nh = RoundN(double(w) * ih / iw);
    const int32_t top = int32_t(r.Top + (h - nh) / 2);
    r.Top = top;
    r.Bottom = top + nh;
  } else {
    const int32_t nw = RoundN(double(h) * iw / ih);
    const int32_t left = int32_t(r.Left + (w - nw) / 2);
    r.Left = left;
    r.Right = left + nw;
  }
  return r;
}

TFloatRect ScaleLayer(const TFloatRect& layer, int32_t oldW, int32_t oldH, int32_t newW, int32_t newH) {
  // A page squeezed to nothing would collapse the picture for good.
  if (newW <= 0 || newH <= 0) return layer;
  const double sx = double(newW) / PageExtent(oldW), sy = double(newH) / PageExtent(oldH);
  return {layer.Left * sx, layer.Top * sy, layer.Right * sx, layer.Bottom * sy};
}

double PageExtent(int32_t size) { return size > 0 ? double(size) : 1.0; }

}  // namespace plumavo
