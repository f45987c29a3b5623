#include "app/engine_bridge.h"

#include "render/blend/blend_modes.h"
#include "render/brushes/brush_library.h"

namespace plumavo::engine {

QStringList BlendModeCaptions() {
  QStringList r;
  for (const std::string& n : BlendModeNames()) r << QString::fromStdString(n);
  return r;
}

int CategoryCount() { return BrushCategoryCount(); }
QString CategoryCaption(int category) { return QString::fromUtf8(BrushCategoryCaption(category)); }
int CategoryOf(int brush) { return BrushCategory(brush); }
int CategoryIconBrush(int category) { return BrushCategoryIcon(category); }
std::vector<int> BrushesOf(int category) { return BrushesOfCategory(category); }
QString BrushCaption(int brush) { return QString::fromUtf8(BrushName(brush)); }

QImage BrushIconImage(int brush) {
  const TBitmap32& icon = BrushIcon(brush);
  if (icon.Empty()) return {};
  QImage wrapped(reinterpret_cast<const uchar*>(icon.Bits()), icon.Width(), icon.Height(), qsizetype(icon.Width()) * 4,
                 QImage::Format_ARGB32);
  return wrapped.copy();
}

}  // namespace plumavo::engine
