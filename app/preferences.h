// Rendering and animation preferences as stored, and the limits applied
// before a stored value is used.
#pragma once

#include <cstdint>

#include "app/settings_store.h"

namespace plumavo {

struct StoredPreferences {
  int32_t RenderingLoops = settings::kRenderingLoops.Default;
  bool RealTimeRendering = settings::kRealTimeRendering.Default;
  bool Antialiased = settings::kAntialiased.Default;
  int32_t AnimationQuality = settings::kAnimationQuality.Default;
  int32_t FrameRate = settings::kFrameRate.Default;
  friend bool operator==(const StoredPreferences&, const StoredPreferences&) = default;
};

// Reads the five values, each with its default.
StoredPreferences LoadPreferences(const SettingsStore& store);
// Writes the five values in order and stops at the first failed write.
[[nodiscard]] bool StorePreferences(SettingsStore& store, const StoredPreferences& p);

// A stored value is used as read, except where it would hang the program or
// divide by zero: loops 1..100000, frame rate 1..30, quality 1..100.
int32_t UsableRenderingLoops(int32_t stored);
int32_t UsableFrameRate(int32_t stored);
int32_t UsableAnimationQuality(int32_t stored);

// Tip-of-the-day state.
struct TipState {
  int32_t Index = settings::kTipsIndex.Default;
  bool ShowTips = settings::kShowTips.Default;
};
TipState LoadTipState(const SettingsStore& store);
[[nodiscard]] bool StoreTipState(SettingsStore& store, const TipState& t);

}  // namespace plumavo
