// Paints the shape overlay with QPainter onto the view, in view pixels, after
// the view has drawn the picture below it.
#pragma once

class QPainter;

namespace plumavo {

struct OverlayScene;
class ShapeEditor;

// How the single pixels of the lines are put: straight into the painter's
// image where it allows that, or always through the painter (the two give the
// same pixels; the second is there to show it).
enum class OverlayPlotting { Fastest, ThroughThePainter };

// Lines antialiased (selected ones dashed 4 on, 4 off at their offset),
// handles as exact pixel squares, labels in the default 8-point font in the
// window-text colour. The painter's state is restored afterwards.
void PaintOverlayScene(QPainter& painter, const OverlayScene& scene,
                       OverlayPlotting plotting = OverlayPlotting::Fastest);

// The editor's current overlay, or nothing while View > Shapes is off.
void PaintShapeOverlay(QPainter& painter, const ShapeEditor& editor);

}  // namespace plumavo
