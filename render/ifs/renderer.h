// The IFS renderer: plays the chaos game with the Sub-Shape maps and stamps a
// brush at every visited point onto the canvas layer. It reads the document
// as const and writes only the layer. One TRenderer lives as long as the main
// window and keeps what it derives from the document between renders: the
// random generator, the prepared brushes, the maps and weights, the frame
// counter and the last history.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/project.h"
#include "render/blend/stamp.h"
#include "render/ifs/random.h"
#include "render/ifs/shape_maps.h"
#include "render/ifs/stamp_worker.h"
#include "surface/bitmap32.h"
#include "surface/projective.h"

namespace plumavo {

inline constexpr int32_t kMinRenderingLoops = 1000;
inline constexpr int32_t kMaxRenderingLoops = 100000;
inline constexpr int32_t kDefaultRenderingLoops = 10000;

struct RenderPreferences {
  int32_t RenderingLoops = kDefaultRenderingLoops;  // iterations per render
  bool RealTimeRendering = true;                    // render while dragging
  bool Antialiased = true;                          // sub-pixel dots
  friend bool operator==(const RenderPreferences&, const RenderPreferences&) = default;
};

// What the last loop did; for tests, benchmarks and diagnostics.
struct TRenderStats {
  int32_t Iterations = 0;  // random draws
  int32_t Restarts = 0;    // escapes and non-finite points
  int32_t Candidates = 0;  // points past the ten warm-up steps
  int32_t Plotted = 0;     // candidates inside the plot window
  int32_t Stamped = 0;     // plotted points that actually drew a brush
};

inline constexpr int32_t kMapHistoryLength = 20;
using MapHistory = std::array<int32_t, kMapHistoryLength>;  // oldest first; -1 empty

// Shape (1-based) whose brush draws the current point: the oldest history entry
// whose Sub-Shape diffuses at least as far as that entry's age, else the newest
// entry. 0 when the newest entry is empty.
int32_t DiffusionShape(const Project& p, const MapHistory& history);

namespace ifs_detail {

enum class StampKind : uint8_t {
  None,         // nothing is drawn (brush number out of range)
  Image,        // a prepared brush image, one frame of it
  DotSplat,     // Normal mode, antialiased: K x K splats into the layer
  DotPut,       // Normal mode, aliased: K x K plain pixels
  DotSplatMix,  // blend mode, antialiased: splats into a scratch brush, then combine
  DotFillMix,   // blend mode, aliased: a scratch brush of the colour, then combine
};

enum class FrameRule : uint8_t { PerIteration, Per192, PerWidth };

struct StampPlan {
  StampKind Kind = StampKind::None;
  TStampProc Proc = nullptr;
  TStampBlockProc Block = nullptr;  // dots in a blend mode, away from the edges
  // Image brushes drawn through a blend mode (dmCustom): the brush prepared
  // for this render, with its kernel (nullptr when the mode draws nothing)
  // and what that reads of it. Proc draws the others.
  TStampBrush* Prepared = nullptr;
  blend::TPreparedStamp PreparedKernel = nullptr;
  blend::TPreparedPixels PreparedPixels;
  TBitmap32* Brush = nullptr;
  int32_t Width = 0;  // image brushes: frame side
  int32_t Frames = 1;
  int32_t Half = 0;  // Width div 2
  bool EveryIteration = true;
  FrameRule Rule = FrameRule::PerIteration;
  uint8_t Master = 255;
  TColor32 Color = 0;  // dots
  int32_t K = 1;       // dot side
  float L = 0.5f;      // K / 2
};

// A point of the orbit that draws: where, at which iteration, with which
// shape's brush (1-based; 0 for nothing).
struct StampPoint {
  float x, y;
  int32_t j, shape;
  // Large layers: the groups of the stripes of rows it may touch, as bits,
  // and the first and last of those stripes.
  uint16_t groupBits;
  uint8_t firstStripe, lastStripe;
};

}  // namespace ifs_detail

class TRenderer {
 public:
  RenderPreferences Preferences;
  TRandomGenerator Generator;

  // Renders p onto layer, starting from a copy of canvasPicture: the whole
  // render routine, as every edit calls it. Throws std::bad_alloc when its
  // tables cannot grow, before the layer is touched.
  void RenderImage(const Project& p, const TBitmap32& canvasPicture, TBitmap32& layer);

  // A new document (start-up, New, Open): the frame counter starts again and
  // nothing derived from the previous document is kept.
  void StartDocument();

  // The loops of the two modes with the given maps and weights (one per
  // Sub-Shape), without computing them or counting a render.
  void RenderAffine(const Project& p, const std::vector<AffineMap>& maps, const std::vector<float>& weights,
                    const TBitmap32& canvasPicture, TBitmap32& layer);
  void RenderProjective(const Project& p, const std::vector<float>& weights, const TBitmap32& canvasPicture,
                        TBitmap32& layer);

  // Renders since StartDocument, modulo 60001; picks the frames of animated
  // brushes.
  uint16_t RenderCounter() const { return counter_; }
  void SetRenderCounter(uint16_t c) { counter_ = c; }
  // What the last render used and left.
  const std::vector<AffineMap>& AffineMaps() const { return affineMaps_; }
  const std::vector<float>& MapWeights() const { return mapWeights_; }
  const plumavo::MapHistory& LastMapHistory() const { return history_; }
  const TRenderStats& LastStats() const { return stats_; }
  // Whether the last RenderImage left every pixel of the layer at alpha 255
  // (a chaos game always does); false when it did not, or cannot tell. A
  // view can then show the layer alone without looking at every pixel.
  bool LeftLayerOpaque() const { return layerOpaque_; }

 private:
  // The brush settings a prepared brush depends on, per Sub-Shape, and the
  // antialiasing it was prepared for.
  struct BrushKey {
    int32_t Brush, BlendingMode, BrushOpacity;
    friend bool operator==(const BrushKey&, const BrushKey&) = default;
  };

  void PrepareBrushes(const Project& p, int32_t subCount);
  bool BrushesMatch(const Project& p, int32_t subCount) const;
  void PlanStamps(const Project& p, int32_t subCount);
  bool PrepareLoop(const Project& p, const std::vector<float>& weights);
  template <class MapFn>
  void RunLoop(const Project& p, const TBitmap32& canvasPicture, TBitmap32& layer, float sx, float sy, MapFn& map);

  // Entry k is the prepared brush of shape k + 1.
  TBitmap32List brushes_;
  std::vector<BrushKey> brushKeys_;
  bool brushesAntialiased_ = true;
  // Whether stampBrushes_ hold the current brushes_ prepared.
  bool stampBrushesReady_ = false;
  TProjectiveTransformation transformation_;
  std::vector<AffineMap> affineMaps_;
  std::vector<float> mapWeights_;
  plumavo::MapHistory history_{};
  uint16_t counter_ = 0;

  // Per-render tables, kept between renders so the loop never allocates.
  std::vector<ifs_detail::StampPlan> plans_;
  std::vector<TStampBrush> stampBrushes_;
  std::vector<float> cumulative_;
  std::vector<int32_t> depth_;
  std::vector<TFloatMatrix> subMatrices_;
  std::vector<uint8_t> subValid_;
  // Large layers: the points of a render, stamped afterwards by two threads.
  std::vector<ifs_detail::StampPoint> points_;
  std::unique_ptr<TStampWorker> worker_;
  int32_t firstDiffusionEntry_ = kMapHistoryLength - 1;
  TRenderStats stats_;
  bool layerOpaque_ = false;
};

}  // namespace plumavo
