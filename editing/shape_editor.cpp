#include "editing/shape_editor.h"

#include <cstdlib>
#include <type_traits>
#include <utility>

#include "editing/project_checks.h"
#include "render/ifs/shape_maps.h"

namespace plumavo {

namespace {

constexpr int32_t kHitRadius = 3;  // view pixels around a vertex or an edge

// Coordinates handed to the edge test stay within +-2^29 so its squared
// lengths cannot overflow; nothing that far out is on screen anyway.
int32_t ForEdgeTest(int32_t v) {
  constexpr int32_t kLimit = 1 << 29;
  return v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v);
}

const char* const kMoveText = " Click and drag to move ";

std::string PositionText(int32_t x, int32_t y) { return "  (" + std::to_string(x) + "," + std::to_string(y) + ")"; }

std::string DrawText(const Project& p) {
  const int32_t n = p.N();
  const bool drawing = p.VertexCount % n != 0;
  if (p.VertexCount < n)
    return drawing ? " Click and drag to draw a Main-Shape. Right-Click to cancel"
                   : " Click and drag to draw a Main-Shape";
  return drawing ? " Click and drag to draw a Sub-Shape. Right-Click to cancel" : " Click and drag to draw a Sub-Shape";
}

// The vertex that ends the edge starting at vertex i (the closing edge of a
// shape runs from its last corner back to corner 0).
int32_t EdgeEnd(int32_t i, int32_t n) { return i % n == n - 1 ? i - n + 1 : i + 1; }

// Vectors of the mode, reached without caring which mode it is.
template <typename F>
decltype(auto) WithShapes(Project& p, F&& f) {
  return p.Mode == ShapeMode::Affine ? f(p.AffineShapes, p.AffineShapeCount)
                                     : f(p.ProjectiveShapes, p.ProjectiveShapeCount);
}

}  // namespace

const char* CursorResourceName(EditCursor c) {
  switch (c) {
    case EditCursor::MoveV: return "MOVEV";
    case EditCursor::EyeDrop: return "EYEDROP";
    case EditCursor::Move: return "MOVE";
    case EditCursor::Pencil: return "PENCIL";
    case EditCursor::Hand: return "HAND";
  }
  return "PENCIL";
}

EditResult& EditResult::operator|=(const EditResult& o) {
  Render |= o.Render;
  ProcessMessageFirst |= o.ProcessMessageFirst;
  RepaintView |= o.RepaintView;
  UpdateInterface |= o.UpdateInterface;
  ShowShapeSettings |= o.ShowShapeSettings;
  ShapesVisibilityChanged |= o.ShapesVisibilityChanged;
  ClearFocus |= o.ClearFocus;
  UndoRedoChanged |= o.UndoRedoChanged;
  StopRecording |= o.StopRecording;
  if (o.Status0) Status0 = o.Status0;
  if (o.Status1) Status1 = o.Status1;
  if (o.Cursor) Cursor = o.Cursor;
  return *this;
}

std::string ShapeSummaryText(const Project& p) {
  std::string s = p.Mode == ShapeMode::Affine ? " Affine, " : " Projective, ";
  s += std::to_string(p.ShapeCount()) + " Shape(s), ";
  const int32_t sel = p.Selected();
  if (sel == -2)
    s += "All Selected";
  else if (sel == 0)
    s += "Main-Shape Selected";
  else if (sel >= 1)
    s += "Sub-Shape " + std::to_string(sel) + " Selected";
  else
    s += "None Selected";
  return s;
}

std::string VertexStatusName(int32_t shape, int32_t corner) {
  static const char* const kMain[4] = {"", "A", "B", "C"};
  static const char* const kSub[4] = {"", "a", "b", "c"};
  if (corner < 0 || corner > 3) return {};
  if (shape == 0)
    return corner == 0 ? std::string("the first vertex of Main-Shape")
                       : std::string("vertex ") + kMain[corner] + " of Main-Shape";
  const std::string sub = "Sub-Shape " + std::to_string(shape);
  return corner == 0 ? "the first vertex of " + sub : std::string("vertex ") + kSub[corner] + " of " + sub;
}

ShapeEditor::ShapeEditor(Project& project) : p_(project) {}

void ShapeEditor::SetScale(double scale) {
  if (IsValidViewScale(scale)) scale_ = scale;
}

EditCursor ShapeEditor::CursorFor(HoverAction a) {
  switch (a) {
    case HoverAction::MoveVertex: return EditCursor::MoveV;
    case HoverAction::MoveShape: return EditCursor::Move;
    case HoverAction::Draw: break;
  }
  return EditCursor::Pencil;
}

bool ShapeEditor::Consistent() const { return ShapesConsistent(p_); }

bool ShapeEditor::Complete() const { return p_.VertexCount % p_.N() == 0 && Consistent(); }

EditResult ShapeEditor::OnProjectReset() {
  undoEnabled_ = redoEnabled_ = false;
  // The history belongs to the previous document; it must never be restored
  // into this one.
  undoSnapshot_ = EditSnapshot{};
  redoSnapshot_ = EditSnapshot{};
  ResetHoverState();
  gestureActive_ = nudgeActive_ = false;
  shapesVisible_ = true;
  EditResult r;
  r.UndoRedoChanged = r.ShapesVisibilityChanged = r.RepaintView = true;
  r.Cursor = EditCursor::Pencil;
  return r;
}

void ShapeEditor::ResetHoverState() {
  hover_ = HoverAction::Draw;
  hotVertex_ = -1;
  hotShape_ = {-1, -1};
  dragVertex_ = -1;
}

// After the vertex list changed without a mouse move (undo, redo, cut, paste,
// delete, clear), the old hover targets may be gone or renumbered. The test is
// run again where the mouse rests, so the next press acts on what is really
// under it. During a gesture nothing is picked up: the drag just stops.
EditResult ShapeEditor::RefreshHover() {
  ResetHoverState();
  if (mouseOverView_ && !gestureActive_) return UpdateHover(lastMousePos_.X, lastMousePos_.Y);
  EditResult r;
  r.Cursor = EditCursor::Pencil;
  return r;
}

EditResult ShapeEditor::UpdateHover(int32_t x, int32_t y) {
  ResetHoverState();
  EditResult r;
  std::string status = DrawText(p_);
  const int32_t n = p_.N();
  const int32_t vc = p_.VertexCount;
  if (vc > 0 && vc % n == 0 && Consistent()) {
    const int32_t sel = p_.Selected();
    const bool selShape = sel >= 0 && sel < p_.ShapeCount();
    auto viewOf = [&](int32_t i) {
      const Vertex v = p_.Vertices[size_t(i)];
      return Vertex{ProjectToView(v.X, scale_), ProjectToView(v.Y, scale_)};
    };
    auto vertexHit = [&](int32_t i) {
      const Vertex v = viewOf(i);
      return std::llabs(int64_t(v.X) - x) <= kHitRadius && std::llabs(int64_t(v.Y) - y) <= kHitRadius;
    };
    auto edgeHit = [&](int32_t i) {
      const Vertex a = viewOf(i), b = viewOf(EdgeEnd(i, n));
      const float d = EdgeDistance(ForEdgeTest(x), ForEdgeTest(y), ForEdgeTest(a.X), ForEdgeTest(a.Y), ForEdgeTest(b.X),
                                   ForEdgeTest(b.Y));
      return d != -1.0f && d <= float(kHitRadius);
    };
    int32_t hit = -1;
    if (selShape)
      for (int32_t j = 0; j < n && hit < 0; ++j)
        if (vertexHit(sel * n + j)) hit = sel * n + j;
    for (int32_t i = vc - 1; i >= 0 && hit < 0; --i)
      if (!(selShape && i / n == sel) && vertexHit(i)) hit = i;
    if (hit >= 0) {
      hotVertex_ = hit;
      SetHotShape(hit / n);
      hover_ = HoverAction::MoveVertex;
      status = kMoveText + VertexStatusName(hit / n, hit % n);
    } else {
      int32_t shape = -1;
      if (selShape)
        for (int32_t j = 0; j < n && shape < 0; ++j)
          if (edgeHit(sel * n + j)) shape = sel;
      for (int32_t i = vc - 1; i >= 0 && shape < 0; --i)
        if (!(selShape && i / n == sel) && edgeHit(i)) shape = i / n;
      if (shape >= 0) {
        SetHotShape(shape);
        hover_ = HoverAction::MoveShape;
        status = kMoveText + (shape == 0 ? std::string("Main-Shape") : "Sub-Shape " + std::to_string(shape));
      }
    }
  }
  r.Cursor = CursorFor(hover_);
  r.Status0 = std::move(status);
  return r;
}

// --- Mouse ---------------------------------------------------------------------

EditResult ShapeEditor::MouseDown(MouseButton button, ShiftState, int32_t x, int32_t y, const ShapeSettings& panel) {
  EditResult r;
  if (!shapesVisible_) r |= ShowShapes();
  gestureActive_ = true;
  TakeUndoSnapshot();
  const int32_t n = p_.N();
  if (button == MouseButton::Left) {
    if (recording_) recordedDragPoint_ = {x, y};
    const int32_t before = p_.Selected();
    // A target left over from a hover test that no longer matches the
    // project is not acted on: no drag, no new vertex.
    bool act = true;
    if (hover_ == HoverAction::MoveVertex) {
      if (Complete() && hotVertex_ >= 0 && hotVertex_ < p_.VertexCount) {
        dragVertex_ = hotVertex_;
        p_.SetSelected(dragVertex_ / n);
      } else {
        act = false;
      }
    } else if (hover_ == HoverAction::MoveShape) {
      const int32_t hot = HotShape();
      if (!Complete() || p_.VertexCount == 0 || (p_.Selected() != -2 && (hot < 0 || hot >= p_.ShapeCount())))
        act = false;
      else if (p_.Selected() != -2)
        p_.SetSelected(hot);
    }
    if (!act) ResetHoverState();
    if (p_.Selected() != before) {
      p_.ProjectSaved = false;
      r.ShowShapeSettings = true;
    }
    if (act && hover_ == HoverAction::Draw && Consistent()) {
      AppendVertex(p_, ViewToProject(x, scale_), ViewToProject(y, scale_), panel);
      r.Render = true;
      r.Status0 = DrawText(p_);
    }
    r.UpdateInterface = true;
    r.RepaintView = true;
  } else if (button == MouseButton::Right) {
    DropIncompleteShape(p_);
    r.UpdateInterface = true;
    r |= UpdateHover(x, y);
    r.RepaintView = true;
  }
  return r;
}

EditResult ShapeEditor::MouseMove(ShiftState shift, int32_t x, int32_t y) {
  EditResult r;
  r.ClearFocus = true;
  mouseOverView_ = true;
  if (shift.Left) {
    // Only a press that started on the view drags; a button held down from
    // elsewhere must not move a vertex picked by an old hover test.
    if (gestureActive_) DragSelection(x, y);
    if (realTime_) {
      bool render = true;
      if (recording_) {
        render = std::llabs(int64_t(x) - recordedDragPoint_.X) > 2 || std::llabs(int64_t(y) - recordedDragPoint_.Y) > 2;
        if (render) recordedDragPoint_ = {x, y};
      }
      if (render) r.Render = r.ProcessMessageFirst = true;
    }
  } else {
    r |= UpdateHover(x, y);
    r.Status1 = PositionText(x, y);
  }
  lastMouseShift_ = shift;
  lastMousePos_ = {x, y};
  if (p_.VertexCount % p_.N() != 0 || shift.Left) {
    AdvanceSelectionDashes();
    r.RepaintView = true;  // the rubber band and moved outlines follow the mouse
  }
  return r;
}

void ShapeEditor::DragSelection(int32_t x, int32_t y) {
  if (hover_ != HoverAction::MoveVertex && hover_ != HoverAction::MoveShape) return;
  if (!Consistent()) return;
  // Each step is converted on its own: slow moves at high zoom round to 0.
  const int32_t dx = ViewToProject(int64_t(x) - lastMousePos_.X, scale_);
  const int32_t dy = ViewToProject(int64_t(y) - lastMousePos_.Y, scale_);
  const int32_t n = p_.N();
  if (hover_ == HoverAction::MoveVertex) {
    const int32_t dv = dragVertex_;
    if (dv < 0 || dv >= p_.VertexCount) return;
    Vertex& v = p_.Vertices[size_t(dv)];
    v = {AddSaturated(v.X, dx), AddSaturated(v.Y, dy)};
    p_.SetCorner(dv / n, dv % n, v);
    return;
  }
  const int32_t sel = p_.Selected();
  if (sel == -2)
    MoveAllVertices(dx, dy);
  else
    MoveShapeVertices(sel, dx, dy);
}

void ShapeEditor::MoveShapeVertices(int32_t shape, int32_t dx, int32_t dy) {
  const int32_t n = p_.N();
  if (shape < 0 || shape >= p_.ShapeCount() || (shape + 1) * n > p_.VertexCount) return;
  for (int32_t j = 0; j < n; ++j) {
    Vertex& v = p_.Vertices[size_t(shape) * size_t(n) + size_t(j)];
    v = {AddSaturated(v.X, dx), AddSaturated(v.Y, dy)};
    p_.SetCorner(shape, j, v);
  }
}

void ShapeEditor::MoveAllVertices(int32_t dx, int32_t dy) {
  const int32_t n = p_.N();
  for (int32_t i = 0; i < p_.VertexCount; ++i) {
    Vertex& v = p_.Vertices[size_t(i)];
    v = {AddSaturated(v.X, dx), AddSaturated(v.Y, dy)};
  }
  for (int32_t i = 0; i < p_.VertexCount; ++i) p_.SetCorner(i / n, i % n, p_.Vertices[size_t(i)]);
}

EditResult ShapeEditor::MouseUp(MouseButton button, ShiftState, int32_t, int32_t) {
  EditResult r;
  if (!gestureActive_) return r;  // the press did not start on the view
  gestureActive_ = false;
  if (button == MouseButton::Left && !realTime_) r.Render = true;
  if (button == MouseButton::Left && (hover_ == HoverAction::MoveVertex || hover_ == HoverAction::MoveShape)) {
    p_.ProjectSaved = false;
    r.UpdateInterface = true;
  }
  if (button == MouseButton::Left) dragVertex_ = -1;
  TakeRedoSnapshot();
  r.UndoRedoChanged = true;
  return r;
}

EditResult ShapeEditor::MouseLeave() {
  mouseOverView_ = false;
  return {};
}

EditResult ShapeEditor::ScrollAreaMouseMove() {
  mouseOverView_ = false;
  EditResult r;
  r.ClearFocus = true;
  r.Status0 = std::string();
  return r;
}

// --- Keyboard --------------------------------------------------------------------

bool ShapeEditor::KeyNudgeConditions(int32_t key, bool controlHasFocus) const {
  if (key < kKeyLeft || key > kKeyDown || controlHasFocus) return false;
  const int32_t sel = p_.Selected();
  return sel != -1 && p_.VertexCount >= 1 && Complete();
}

EditResult ShapeEditor::KeyDown(int32_t key, ShiftState shift, bool controlHasFocus) {
  EditResult r;
  if (key == kKeyEscape && recording_) r.StopRecording = true;
  if (!KeyNudgeConditions(key, controlHasFocus)) return r;
  if (!nudgeActive_) TakeUndoSnapshot();
  nudgeActive_ = true;
  const int32_t step = shift.Shift ? 10 : 1;
  int32_t dx = 0, dy = 0;
  switch (key) {
    case kKeyLeft: dx = -step; break;
    case kKeyUp: dy = -step; break;
    case kKeyRight: dx = step; break;
    default: dy = step; break;
  }
  NudgeSelection(dx, dy);
  r.Render = r.ProcessMessageFirst = r.RepaintView = true;
  return r;
}

EditResult ShapeEditor::KeyUp(int32_t key, ShiftState, bool controlHasFocus) {
  EditResult r;
  if (!KeyNudgeConditions(key, controlHasFocus)) return r;
  // A key-up with no run behind it (the key went down while a control had
  // the focus) moved nothing: it must not complete an undo pair around an
  // old snapshot.
  if (!nudgeActive_) return r;
  nudgeActive_ = false;
  p_.ProjectSaved = false;
  r.UpdateInterface = true;
  TakeRedoSnapshot();
  r.UndoRedoChanged = true;
  return r;
}

void ShapeEditor::NudgeSelection(int32_t dx, int32_t dy) {
  if (!Consistent()) return;
  const int32_t sel = p_.Selected();
  if (sel == -2)
    MoveAllVertices(dx, dy);
  else
    MoveShapeVertices(sel, dx, dy);
}

// --- Undo and redo ---------------------------------------------------------------

bool ShapeEditor::FillSnapshot(EditSnapshot& out) const {
  if (!Consistent()) return false;
  EditSnapshot s;
  s.Filled = true;
  s.Mode = p_.Mode;
  s.VertexCount = p_.VertexCount;
  s.Vertices.assign(p_.Vertices.begin(), p_.Vertices.begin() + p_.VertexCount);
  s.Selection = p_.Selected();
  s.ShapeCount = p_.ShapeCount();
  if (p_.Mode == ShapeMode::Affine)
    s.AffineShapes.assign(p_.AffineShapes.begin(), p_.AffineShapes.begin() + s.ShapeCount);
  else
    s.ProjectiveShapes.assign(p_.ProjectiveShapes.begin(), p_.ProjectiveShapes.begin() + s.ShapeCount);
  s.Saved = p_.ProjectSaved;
  out = std::move(s);
  return true;
}

bool ShapeEditor::RestoreSnapshot(const EditSnapshot& s) {
  if (!s.Filled || s.Mode != p_.Mode) return false;
  // Copy everything first so a failed allocation leaves the project as it was.
  std::vector<Vertex> vertices(s.Vertices);
  std::vector<AffineShape> affine;
  std::vector<ProjectiveShape> projective;
  if (s.Mode == ShapeMode::Affine)
    affine = s.AffineShapes;
  else
    projective = s.ProjectiveShapes;

  p_.Vertices.swap(vertices);
  p_.VertexCount = s.VertexCount;
  p_.SetSelected(s.Selection);
  if (s.Mode == ShapeMode::Affine) {
    p_.AffineShapes.swap(affine);
    p_.AffineShapeCount = s.ShapeCount;
  } else {
    p_.ProjectiveShapes.swap(projective);
    p_.ProjectiveShapeCount = s.ShapeCount;
  }
  p_.ProjectSaved = s.Saved;
  return true;
}

void ShapeEditor::TakeUndoSnapshot() { FillSnapshot(undoSnapshot_); }

void ShapeEditor::TakeRedoSnapshot() {
  if (!FillSnapshot(redoSnapshot_)) return;
  undoEnabled_ = true;
  redoEnabled_ = false;
}

EditResult ShapeEditor::RestoreAndRefresh(bool undo) {
  EditResult r;
  if (!RestoreSnapshot(undo ? undoSnapshot_ : redoSnapshot_)) return r;
  undoEnabled_ = !undo;
  redoEnabled_ = undo;
  r.UndoRedoChanged = r.UpdateInterface = r.ShowShapeSettings = r.Render = r.RepaintView = true;
  r |= RefreshHover();
  return r;
}

EditResult ShapeEditor::Undo() { return undoEnabled_ ? RestoreAndRefresh(true) : EditResult{}; }

EditResult ShapeEditor::Redo() { return redoEnabled_ ? RestoreAndRefresh(false) : EditResult{}; }

// --- Selection and clipboard -------------------------------------------------------

EditMenuState ShapeEditor::EditMenu() const {
  EditMenuState m;
  m.Undo = undoEnabled_;
  m.Redo = redoEnabled_;
  const int32_t sel = p_.Selected();
  const int32_t vc = p_.VertexCount;
  const bool complete = Complete();
  const bool validSel = sel == -2 || (sel >= 0 && sel < p_.ShapeCount());
  m.Cut = complete && validSel && sel >= 1;
  m.Copy = complete && validSel && sel >= 0;
  m.Paste = complete && vc >= 1 && clipboardKind_ == p_.N();
  m.Delete = complete && sel != -1;
  m.Clear = vc > 0;
  m.SelectAll = complete && vc >= 1;
  m.SelectNone = m.Delete;
  return m;
}

void ShapeEditor::CopySelectedShape() {
  const int32_t sel = p_.Selected();
  if (sel < 0 || sel >= p_.ShapeCount() || !Consistent()) return;
  if (p_.Mode == ShapeMode::Affine) {
    affineClipboard_ = p_.AffineShapes[size_t(sel)];
    clipboardKind_ = 3;
  } else {
    projectiveClipboard_ = p_.ProjectiveShapes[size_t(sel)];
    clipboardKind_ = 4;
  }
}

bool ShapeEditor::DeleteSelectedShape() {
  const int32_t sel = p_.Selected();
  const int32_t n = p_.N();
  if (!Complete() || sel < 1 || sel >= p_.ShapeCount()) return false;
  std::vector<Vertex> vertices;
  vertices.reserve(size_t(p_.VertexCount - n));
  for (int32_t i = 0; i < p_.VertexCount; ++i)
    if (i / n != sel) vertices.push_back(p_.Vertices[size_t(i)]);
  const int32_t count = p_.ShapeCount() - 1;
  WithShapes(p_, [&](auto& shapes, int32_t& shapeCount) {
    std::remove_reference_t<decltype(shapes)> kept;
    kept.reserve(size_t(count));
    for (int32_t k = 0; k < shapeCount; ++k)
      if (k != sel) kept.push_back(shapes[size_t(k)]);
    shapes.swap(kept);
    shapeCount = count;
  });
  p_.Vertices.swap(vertices);
  p_.VertexCount -= n;
  p_.SetSelected(-1);
  return true;
}

EditResult ShapeEditor::Copy() {
  EditResult r;
  if (!EditMenu().Copy) return r;
  CopySelectedShape();
  r.UpdateInterface = true;
  return r;
}

// The common end of the commands that replace or remove shapes: the project
// changed, the redo snapshot is taken and the hover state is recomputed so no
// press acts on a shape that is gone.
EditResult ShapeEditor::FinishShapeCommand() {
  EditResult r;
  p_.ProjectSaved = false;
  r.UpdateInterface = r.Render = r.RepaintView = true;
  TakeRedoSnapshot();
  r.UndoRedoChanged = true;
  r |= RefreshHover();
  return r;
}

EditResult ShapeEditor::Cut() {
  EditResult r;
  if (!EditMenu().Cut) return r;
  TakeUndoSnapshot();
  CopySelectedShape();
  if (!DeleteSelectedShape()) return r;
  r |= FinishShapeCommand();
  return r;
}

EditResult ShapeEditor::Paste() {
  EditResult r;
  if (!EditMenu().Paste) return r;
  TakeUndoSnapshot();
  const int32_t n = p_.N();
  const int32_t v = p_.VertexCount;
  const int32_t count = p_.ShapeCount();
  std::vector<Vertex> vertices(p_.Vertices.begin(), p_.Vertices.begin() + v);
  WithShapes(p_, [&](auto& shapes, int32_t& shapeCount) {
    using Vec = std::remove_reference_t<decltype(shapes)>;
    using Rec = typename Vec::value_type;
    const Rec& clip = [&]() -> const Rec& {
      if constexpr (std::is_same_v<Rec, AffineShape>)
        return affineClipboard_;
      else
        return projectiveClipboard_;
    }();
    for (int32_t j = 0; j < n; ++j) vertices.push_back(clip.Corners[j]);
    Vec grown(shapes.begin(), shapes.begin() + count);
    grown.push_back(clip);
    shapes.swap(grown);
    shapeCount = count + 1;
  });
  p_.Vertices.swap(vertices);
  p_.VertexCount = v + n;
  p_.SetSelected(count);
  r.ShowShapeSettings = true;
  r |= FinishShapeCommand();
  return r;
}

EditResult ShapeEditor::Delete() {
  EditResult r;
  if (!EditMenu().Delete) return r;
  const int32_t sel = p_.Selected();
  if (sel == 0 || sel == -2) return ClearAll();  // deleting the Main-Shape deletes everything
  TakeUndoSnapshot();
  if (!DeleteSelectedShape()) return r;
  r |= FinishShapeCommand();
  return r;
}

EditResult ShapeEditor::ClearAll() {
  EditResult r;
  if (!EditMenu().Clear) return r;
  TakeUndoSnapshot();
  p_.VertexCount = p_.AffineShapeCount = p_.ProjectiveShapeCount = 0;
  p_.SelectedAffineShape = p_.SelectedProjectiveShape = -1;
  p_.Vertices.clear();
  p_.AffineShapes.clear();
  p_.ProjectiveShapes.clear();
  r.UpdateInterface = r.Render = r.RepaintView = true;
  TakeRedoSnapshot();
  r.UndoRedoChanged = true;
  r |= RefreshHover();  // also clears HotVertex, the hot shapes and DragVertex
  return r;
}

EditResult ShapeEditor::SelectAll() {
  EditResult r;
  if (!EditMenu().SelectAll) return r;
  if (!shapesVisible_) r |= ShowShapes();
  if (p_.Selected() == -2) return r;
  p_.SetSelected(-2);
  p_.ProjectSaved = false;
  r.ClearFocus = r.RepaintView = r.UpdateInterface = true;
  return r;
}

EditResult ShapeEditor::SelectNone() {
  EditResult r;
  if (!EditMenu().SelectNone || p_.Selected() == -1) return r;
  p_.SetSelected(-1);
  p_.ProjectSaved = false;
  r.UpdateInterface = true;  // the next dash step repaints the view
  return r;
}

// --- Overlay -------------------------------------------------------------------------

EditResult ShapeEditor::ShowShapes() {
  EditResult r;
  if (!shapesVisible_) {
    shapesVisible_ = true;
    r.ShapesVisibilityChanged = r.RepaintView = true;
  }
  return r;
}

EditResult ShapeEditor::ToggleShapes() {
  shapesVisible_ = !shapesVisible_;
  EditResult r;
  r.ShapesVisibilityChanged = r.RepaintView = true;
  return r;
}

bool ShapeEditor::AdvanceSelectionDashes() {
  const int32_t sel = p_.Selected();
  int32_t& last = p_.Mode == ShapeMode::Affine ? lastPaintedAffineSelection_ : lastPaintedProjectiveSelection_;
  // After the selection is cleared one more repaint removes the dashes.
  const bool due = !(sel == -1 && last == -1);
  last = sel;
  if (due) {
    dashPhase_ -= 1.0f;
    if (!(dashPhase_ >= -1000.0f)) dashPhase_ = 0.0f;
  }
  return due;
}

EditResult ShapeEditor::TimerTick() {
  EditResult r;
  r.RepaintView = AdvanceSelectionDashes();
  if (lastMouseShift_.Left) r.Status1 = PositionText(lastMousePos_.X, lastMousePos_.Y);
  return r;
}

}  // namespace plumavo
