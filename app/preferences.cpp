#include "app/preferences.h"

#include <algorithm>

namespace plumavo {

StoredPreferences LoadPreferences(const TSettingsStore& store) {
  const StoredPreferences d;
  StoredPreferences p;
  p.RenderingLoops = store.ReadInteger("Rendering Loops", d.RenderingLoops);
  p.RealTimeRendering = store.ReadBool("Real-time Rendering", d.RealTimeRendering);
  p.Antialiased = store.ReadBool("Antialiased", d.Antialiased);
  p.AnimationQuality = store.ReadInteger("Animation Quality", d.AnimationQuality);
  p.FrameRate = store.ReadInteger("Frame Rate", d.FrameRate);
  return p;
}

bool StorePreferences(TSettingsStore& store, const StoredPreferences& p) {
  return store.WriteInteger("Rendering Loops", p.RenderingLoops) &&
         store.WriteBool("Real-time Rendering", p.RealTimeRendering) && store.WriteBool("Antialiased", p.Antialiased) &&
         store.WriteInteger("Animation Quality", p.AnimationQuality) && store.WriteInteger("Frame Rate", p.FrameRate);
}

int32_t UsableRenderingLoops(int32_t stored) { return std::clamp(stored, 1, 100000); }
int32_t UsableFrameRate(int32_t stored) { return std::clamp(stored, 1, 30); }
int32_t UsableAnimationQuality(int32_t stored) { return std::clamp(stored, 1, 100); }

TipState LoadTipState(const TSettingsStore& store) {
  return {store.ReadInteger("Tips Index", -1), store.ReadBool("Show Tips", true)};
}

bool StoreTipState(TSettingsStore& store, const TipState& t) {
  return store.WriteInteger("Tips Index", t.Index) && store.WriteBool("Show Tips", t.ShowTips);
}

}  // namespace plumavo
