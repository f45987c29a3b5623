#include "app/preferences.h"

namespace plumavo {

StoredPreferences LoadPreferences(const SettingsStore& store) {
  StoredPreferences p;
  p.RenderingLoops = store.Get(settings::kRenderingLoops);
  p.RealTimeRendering = store.Get(settings::kRealTimeRendering);
  p.Antialiased = store.Get(settings::kAntialiased);
  p.AnimationQuality = store.Get(settings::kAnimationQuality);
  p.FrameRate = store.Get(settings::kFrameRate);
  return p;
}

bool StorePreferences(SettingsStore& store, const StoredPreferences& p) {
  return store.Set(settings::kRenderingLoops, p.RenderingLoops) &&
         store.Set(settings::kRealTimeRendering, p.RealTimeRendering) &&
         store.Set(settings::kAntialiased, p.Antialiased) &&
         store.Set(settings::kAnimationQuality, p.AnimationQuality) && store.Set(settings::kFrameRate, p.FrameRate);
}

int32_t UsableRenderingLoops(int32_t stored) { return settings::kRenderingLoops.Usable(stored); }
int32_t UsableFrameRate(int32_t stored) { return settings::kFrameRate.Usable(stored); }
int32_t UsableAnimationQuality(int32_t stored) { return settings::kAnimationQuality.Usable(stored); }

TipState LoadTipState(const SettingsStore& store) {
  return {store.Get(settings::kTipsIndex), store.Get(settings::kShowTips)};
}

bool StoreTipState(SettingsStore& store, const TipState& t) {
  return store.Set(settings::kTipsIndex, t.Index) && store.Set(settings::kShowTips, t.ShowTips);
}

}  // namespace plumavo
