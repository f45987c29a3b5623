// The pictures of the brushes, one frame at a time.
#pragma once

#include <QImage>

namespace brushgen {

// Frame `frame` of image brush 3..229 at the working size (premultiplied).
QImage RenderFrame(int brush, int frame);
// The 16 x 16 icon of dot brush 0..2.
QImage RenderDotIcon(int brush);

}  // namespace brushgen
