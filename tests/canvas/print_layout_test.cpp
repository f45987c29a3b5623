#include "canvas/print_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace plumavo {

std::ostream& operator<<(std::ostream& os, const TRect& r) {
  return os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
std::ostream& operator<<(std::ostream& os, const TFloatRect& r) {
  return os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

namespace {

// A letter sheet at 600 dpi, the page used by most cases below.
constexpr PrinterMetrics kLetter{600, 600, 5100, 6600, 0, 0};

void ExpectNear(const TFloatRect& actual, const TFloatRect& expected) {
  EXPECT_NEAR(actual.Left, expected.Left, 1e-9) << actual;
  EXPECT_NEAR(actual.Top, expected.Top, 1e-9) << actual;
  EXPECT_NEAR(actual.Right, expected.Right, 1e-9) << actual;
  EXPECT_NEAR(actual.Bottom, expected.Bottom, 1e-9) << actual;
}

TEST(PrintRounding, HalvesGoToEvenAndExtremesStayDefined) {
  EXPECT_EQ(RoundN(0.5), 0);
  EXPECT_EQ(RoundN(1.5), 2);
  EXPECT_EQ(RoundN(2.5), 2);
  EXPECT_EQ(RoundN(-1.5), -2);
  EXPECT_EQ(RoundN(2.6), 3);
  EXPECT_EQ(RoundN(1e20), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(RoundN(-1e20), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(RoundN(std::nan("")), 0);
  EXPECT_DOUBLE_EQ(RoundD2(2.36898), 2.37);
  EXPECT_DOUBLE_EQ(RoundD2(-0.016), -0.02);
  EXPECT_DOUBLE_EQ(RoundD2(8.5), 8.5);
  EXPECT_EQ(RoundD2(std::numeric_limits<double>::infinity()), 0);
}

// ---------------------------------------------------------------------------

struct FitRectRow {
  const char* Name;
  TRect Source, Target, Expected;
};

class FitRectTest : public testing::TestWithParam<FitRectRow> {};

TEST_P(FitRectTest, FitsAndCentres) {
  const FitRectRow& r = GetParam();
  EXPECT_EQ(FitRect(r.Source, r.Target), r.Expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, FitRectTest,
                         testing::Values(
                             // 1280 × 16 on a portrait page: the full width, centred vertically.
                             FitRectRow{
                                 "WideStripOnPortrait", {0, 0, 1280, 16}, {0, 0, 4800, 6600}, {0, 3270, 4800, 3330}},
                             FitRectRow{"LandscapeInSquare", {0, 0, 480, 360}, {0, 0, 1000, 1000}, {0, 125, 1000, 875}},
                             FitRectRow{"PortraitInSquare", {0, 0, 360, 480}, {0, 0, 1000, 1000}, {125, 0, 875, 1000}},
                             FitRectRow{"TargetOffset", {0, 0, 100, 100}, {10, 20, 110, 220}, {10, 70, 110, 170}},
                             FitRectRow{"OddMarginTruncates", {0, 0, 3, 2}, {0, 0, 10, 2}, {3, 0, 6, 2}},
                             FitRectRow{"SourceWithoutHeight", {0, 0, 5, 0}, {0, 0, 100, 100}, {0, 0, 5, 0}},
                             FitRectRow{"TargetWithoutHeight", {0, 0, 480, 360}, {0, 0, 100, 0}, {0, 0, 480, 360}}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------

struct MeasureRow {
  const char* Name;
  PrinterMetrics Reported;
  int32_t ScreenDpi;
  PrinterMetrics Expected;
};

class MeasurePrinterTest : public testing::TestWithParam<MeasureRow> {};

TEST_P(MeasurePrinterTest, FallsBackToScreenAndLetter) {
  const MeasureRow& r = GetParam();
  EXPECT_EQ(MeasurePrinter(r.Reported, r.ScreenDpi), r.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MeasurePrinterTest,
    testing::Values(MeasureRow{"Complete", {600, 300, 5100, 3300, 100, 50}, 96, {600, 300, 5100, 3300, 100, 50}},
                    MeasureRow{"NothingReported", {0, 0, 0, 0, 0, 0}, 96, {96, 96, 816, 1056, 0, 0}},
                    MeasureRow{"NoPaperWidth", {600, 600, 0, 6600, 0, 0}, 96, {600, 600, 5100, 6600, 0, 0}},
                    MeasureRow{"NoPaperHeight", {600, 600, 4960, 0, 0, 0}, 96, {600, 600, 5100, 6600, 0, 0}},
                    MeasureRow{"NegativeValues", {-1, 600, -5, 6600, 0, 0}, 72, {72, 600, 612, 6600, 0, 0}},
                    MeasureRow{"NoScreenEither", {0, 0, 0, 0, 0, 0}, 0, {96, 96, 816, 1056, 0, 0}}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------

struct PageRectRow {
  const char* Name;
  int32_t W, H;
  PrinterMetrics Printer;
  TRect Expected;
};

class PageRectTest : public testing::TestWithParam<PageRectRow> {};

TEST_P(PageRectTest, KeepsThePaperAspect) {
  const PageRectRow& r = GetParam();
  EXPECT_EQ(ComputePageRect(r.W, r.H, r.Printer), r.Expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, PageRectTest,
                         testing::Values(
                             // Inside the margins 375 × 415; the paper's width N(415 × 5100 / 6600) = 321.
                             PageRectRow{"CentredAcross", 400, 440, kLetter, {38, 11, 359, 426}},
                             // Inside the margins 275 × 775; the paper's height N(275 × 5100 / 6600) = 212.
                             PageRectRow{"CentredDown", 300, 800, {600, 600, 6600, 5100, 0, 0}, {11, 292, 286, 504}},
                             PageRectRow{"NoRoomInsideTheMargins", 20, 30, kLetter, {11, 11, 11, 11}},
                             PageRectRow{"NoHeight", 400, 0, kLetter, {0, 2, 0, 2}}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------

TEST(FitImageToPage, FillsOneDirectionAndCentresTheOther) {
  // The page of CentredAcross: 315 × 415 preview pixels.
  ExpectNear(FitImageToPage(480, 360, 315, 415, kLetter), {0, 89.375, 315, 325.625});
  ExpectNear(FitImageToPage(360, 480, 315, 415, kLetter), {1.875, 0, 313.125, 415});
  ExpectNear(FitImageToPage(480, 0, 315, 415, kLetter), {});
  ExpectNear(FitImageToPage(480, 360, 315, 415, {600, 600, 5100, 0, 0, 0}), {});
}

// ---------------------------------------------------------------------------
// Inch fields

TEST(InchFields, ValuesFromTheLayerAndNewRanges) {
  const TInchFields f = EditsFromLayer({0, 89.375, 315, 325.625}, 315, 415, kLetter, TInchFields{});
  EXPECT_DOUBLE_EQ(f.Left.Value, 0);
  EXPECT_DOUBLE_EQ(f.Top.Value, 2.37);
  EXPECT_DOUBLE_EQ(f.Width.Value, 8.5);
  EXPECT_DOUBLE_EQ(f.Height.Value, 6.26);
  EXPECT_DOUBLE_EQ(f.Left.Min, -8.5);
  EXPECT_DOUBLE_EQ(f.Left.Max, 8.5);
  EXPECT_DOUBLE_EQ(f.Top.Min, -6.26);
  EXPECT_DOUBLE_EQ(f.Top.Max, 11);
  EXPECT_DOUBLE_EQ(f.Width.Min, 0.85);
  EXPECT_DOUBLE_EQ(f.Width.Max, 85);
  EXPECT_DOUBLE_EQ(f.Height.Min, 1.1);
  EXPECT_DOUBLE_EQ(f.Height.Max, 110);
}

TEST(InchFields, ValuesAreLimitedByTheRangeInForce) {
  TInchFields current;
  current.Width = {0, 0.1, 5};
  current.Left = {0, 0, 0};  // no range: a picture far off the paper keeps its origin
  const TInchFields f = EditsFromLayer({-630, 0, 315, 415}, 315, 415, kLetter, current);
  EXPECT_DOUBLE_EQ(f.Width.Value, 5);
  EXPECT_DOUBLE_EQ(f.Left.Min, -5);
  EXPECT_DOUBLE_EQ(f.Left.Value, -17);
}

TEST(InchFields, LayerFromInchesRoundTrips) {
  // 0.5 inch on an 8.5 inch paper drawn 315 pixels wide.
  ExpectNear(LayerFromEdits(0.5, 0, 8.5, 11, 315, 415, kLetter), {0.5 * 315 / 8.5, 0, 0.5 * 315 / 8.5 + 315, 415});
  const TFloatRect layer{12.3, 45.6, 200.1, 300.2};
  const TInchFields f = EditsFromLayer(layer, 315, 415, kLetter, TInchFields{});
  const TFloatRect back = LayerFromEdits(f.Left.Value, f.Top.Value, f.Width.Value, f.Height.Value, 315, 415, kLetter);
  // Snapped to 0.01 inch: at most half of that away on every side.
  const double px = 0.005 * 315 / 8.5 * 2;
  EXPECT_NEAR(back.Left, layer.Left, px);
  EXPECT_NEAR(back.Top, layer.Top, px);
  EXPECT_NEAR(back.Right, layer.Right, px);
  EXPECT_NEAR(back.Bottom, layer.Bottom, px);
}

TEST(InchFields, ClampHonoursEqualBounds) {
  EXPECT_EQ(ClampToRange(250, 0.1, 100), 100);
  EXPECT_EQ(ClampToRange(-3, 0.1, 100), 0.1);
  EXPECT_EQ(ClampToRange(250, 0, 0), 250);
}

// ---------------------------------------------------------------------------

struct ConstrainRow {
  const char* Name;
  TDragHandle Handle;
  bool Constrain;
  TFloatRect Proposed, Expected;
};

class ConstrainResizeTest : public testing::TestWithParam<ConstrainRow> {};

TEST_P(ConstrainResizeTest, KeepsTheAspectOfA200By100Picture) {
  const ConstrainRow& r = GetParam();
  ExpectNear(ConstrainResize(r.Proposed, r.Handle, r.Constrain, 200, 100), r.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConstrainResizeTest,
    testing::Values(ConstrainRow{"Move", TDragHandle::Move, true, {10, 20, 110, 90}, {10, 20, 110, 90}},
                    ConstrainRow{"NoHandle", TDragHandle::None, true, {10, 20, 110, 90}, {10, 20, 110, 90}},
                    ConstrainRow{"Unconstrained", TDragHandle::Right, false, {10, 20, 110, 90}, {10, 20, 110, 90}},
                    ConstrainRow{"Right", TDragHandle::Right, true, {10, 20, 110, 90}, {10, 20, 110, 70}},
                    ConstrainRow{"BottomLeft", TDragHandle::BottomLeft, true, {10, 20, 110, 90}, {10, 20, 110, 70}},
                    ConstrainRow{"Bottom", TDragHandle::Bottom, true, {10, 20, 110, 120}, {10, 20, 210, 120}},
                    ConstrainRow{"TopRight", TDragHandle::TopRight, true, {10, 20, 110, 120}, {10, 20, 210, 120}},
                    ConstrainRow{"TopLeft", TDragHandle::TopLeft, true, {10, 20, 110, 120}, {10, 70, 110, 120}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ConstrainResize, PictureWithoutSizeLeavesTheProposal) {
  ExpectNear(ConstrainResize({10, 20, 110, 90}, TDragHandle::Right, true, 0, 100), {10, 20, 110, 90});
}

// ---------------------------------------------------------------------------

TEST(DeviceRect, ScalesPreviewPixelsToThePaper) {
  EXPECT_EQ(DeviceRect({0, 89.375, 315, 325.625}, 315, 415, kLetter), (TRect{0, 1421, 5100, 5179}));
  // Dragged partly off the paper: printed with a negative origin.
  EXPECT_EQ(DeviceRect({-31.5, -41.5, 283.5, 373.5}, 315, 415, kLetter), (TRect{-510, -660, 4590, 5940}));
  // A page without size does not divide by zero.
  EXPECT_EQ(DeviceRect({0, 0, 1, 1}, 0, 0, kLetter), (TRect{0, 0, 5100, 6600}));
}

TEST(ScaleLayer, FollowsThePageSize) {
  ExpectNear(ScaleLayer({10, 20, 30, 40}, 100, 200, 200, 100), {20, 10, 60, 20});
  ExpectNear(ScaleLayer({10, 20, 30, 40}, 0, -1, 2, 3), {20, 60, 60, 120});
  ExpectNear(ScaleLayer({10, 20, 30, 40}, 100, 200, 0, 100), {10, 20, 30, 40});
}

}  // namespace
}  // namespace plumavo

namespace plumavo {
namespace {

// A picture fitted on the preview page and printed keeps its proportions to
// within one printer pixel, whatever the paper, the picture and the size of
// the preview window.
TEST(PrintedProportions, FittedPictureKeepsItsAspectOnPaper) {
  struct Row {
    const char* name;
    PrinterMetrics printer;
    int32_t iw, ih, previewW, previewH;
  };
  const PrinterMetrics a4Landscape{300, 300, 3508, 2480, 0, 0};
  const PrinterMetrics screenLetter{96, 96, 816, 1056, 0, 0};
  const Row rows[] = {
      {"landscape picture on portrait letter", kLetter, 480, 360, 400, 440},
      {"portrait picture on portrait letter", kLetter, 360, 480, 600, 300},
      {"wide picture on landscape A4", a4Landscape, 1280, 400, 430, 470},
      {"tall picture on landscape A4", a4Landscape, 300, 1280, 800, 250},
      {"square picture at screen resolution", screenLetter, 500, 500, 333, 517},
      {"thin strip", kLetter, 1280, 16, 421, 419},
  };
  for (const Row& r : rows) {
    const TRect page = ComputePageRect(r.previewW, r.previewH, r.printer);
    const TFloatRect layer = FitImageToPage(r.iw, r.ih, page.Width(), page.Height(), r.printer);
    const TRect printed = DeviceRect(layer, page.Width(), page.Height(), r.printer, r.iw, r.ih);
    const double w = printed.Right - printed.Left, h = printed.Bottom - printed.Top;
    // The height the width asks for, and the width the height asks for: one
    // of the two must be met to the pixel.
    const double offH = std::fabs(h - w * r.ih / r.iw), offW = std::fabs(w - h * r.iw / r.ih);
    EXPECT_LE(std::min(offH, offW), 1.0) << r.name << ": printed " << w << " x " << h;
    // And it still fills the paper in one direction to within a percent.
    const double fill = std::max(w / r.printer.PaperWidth, h / r.printer.PaperHeight);
    EXPECT_NEAR(fill, 1.0, 0.01) << r.name;
  }
}

// A frame stretched while the proportions were free, then printed with them
// on again: the picture keeps its shape and stays inside the frame the
// preview showed.
TEST(PrintedProportions, StretchedFramePrintsInsideItself) {
  struct Row {
    const char* name;
    TFloatRect layer;
  };
  const TRect page = ComputePageRect(400, 440, kLetter);
  for (const Row& r : {Row{"much too wide", {10, 100, 300, 170}}, Row{"much too tall", {20, 10, 80, 400}},
                       Row{"partly off the paper", {-40, -30, 200, 120}}}) {
    const TRect free = DeviceRect(r.layer, page.Width(), page.Height(), kLetter);
    const TRect kept = DeviceRect(r.layer, page.Width(), page.Height(), kLetter, 480, 360);
    const double w = kept.Right - kept.Left, h = kept.Bottom - kept.Top;
    EXPECT_LE(std::min(std::fabs(h - w * 360 / 480), std::fabs(w - h * 480 / 360)), 1.0) << r.name;
    EXPECT_GE(kept.Left, free.Left - 1) << r.name;
    EXPECT_GE(kept.Top, free.Top - 1) << r.name;
    EXPECT_LE(kept.Right, free.Right + 1) << r.name;
    EXPECT_LE(kept.Bottom, free.Bottom + 1) << r.name;
    // It touches the frame on two opposite sides.
    EXPECT_TRUE(std::abs(kept.Left - free.Left) <= 1 || std::abs(kept.Top - free.Top) <= 1) << r.name;
  }
}

}  // namespace
}  // namespace plumavo
