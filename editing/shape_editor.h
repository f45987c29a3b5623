// Shape editing without widgets: the hover test, drawing and dragging with the
// mouse, arrow-key moves, one-step undo and redo, selection commands and the
// private shape clipboard.
//
// The main window keeps one ShapeEditor for the whole run, bound to its one
// Project. Its event handlers forward to the editor and then carry out the
// EditResult the call returns; the editor never touches the user interface
// itself. A typical handler:
//
//   EditResult r = editor.MouseDown(btn, shift, x, y, PanelSettings());
//   Apply(r);   // in this order: ShapesVisibilityChanged, ClearFocus,
//               // ShowShapeSettings, UpdateInterface (+ EditMenu()),
//               // UndoRedoChanged, Status0/Status1, Cursor,
//               // Render (process one pending message first when
//               // ProcessMessageFirst), RepaintView.
//
// Everything that can index memory is checked against the project's counts,
// so a stale hover state or an inconsistent project only makes a call do
// nothing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editing/overlay_scene.h"
#include "editing/view_coords.h"
#include "model/project.h"

namespace plumavo {

// What a left press on the view would do; shown as the view's cursor.
enum class HoverAction : uint8_t { Draw, MoveVertex, MoveShape };

// The program's cursors by their identifier in the cursor table. The window
// loads them as "MOVEV", "EYEDROP", "MOVE", "PENCIL" and "HAND".
enum class EditCursor : int32_t { MoveV = 1, EyeDrop = 2, Move = 3, Pencil = 4, Hand = 5 };
const char* CursorResourceName(EditCursor c);

enum class MouseButton : uint8_t { Left, Right, Middle };

// Modifier keys and buttons held during a mouse or key event.
struct ShiftState {
  bool Shift = false, Ctrl = false, Alt = false;
  bool Left = false, Right = false, Middle = false;
  friend bool operator==(const ShiftState&, const ShiftState&) = default;
};

// Virtual-key codes the keyboard handlers look at.
inline constexpr int32_t kKeyEscape = 27;
inline constexpr int32_t kKeyLeft = 37;
inline constexpr int32_t kKeyUp = 38;
inline constexpr int32_t kKeyRight = 39;
inline constexpr int32_t kKeyDown = 40;

// What the window has to do after an editor call. Flags that are false and
// texts that are empty ask for nothing.
struct EditResult {
  bool Render = false;                   // RenderImage
  bool ProcessMessageFirst = false;      // process one pending window message before that render
  bool RepaintView = false;              // invalidate the drawing view (overlay changed)
  bool UpdateInterface = false;          // UpdateInterfaceState; EditMenu() has the Edit-menu states
  bool ShowShapeSettings = false;        // refill the side panel from ShowShapeSettings(project)
  bool ShapesVisibilityChanged = false;  // sync View > Shapes, its eye icon and the overlay from ShapesVisible()
  bool ClearFocus = false;               // take the keyboard focus away from any control
  bool UndoRedoChanged = false;          // sync Edit > Undo / Redo from UndoEnabled() / RedoEnabled()
  bool StopRecording = false;            // Esc during a recording: click the Stop button
  std::optional<std::string> Status0;    // status panel 0 (free text)
  std::optional<std::string> Status1;    // status panel 1 (mouse position)
  std::optional<EditCursor> Cursor;      // the view's cursor

  EditResult& operator|=(const EditResult& o);
};

// Enabled states of the Edit menu (the toolbar twins copy them).
struct EditMenuState {
  bool Undo = false, Redo = false;
  bool Cut = false, Copy = false, Paste = false, Delete = false, Clear = false;
  bool SelectAll = false, SelectNone = false;
  friend bool operator==(const EditMenuState&, const EditMenuState&) = default;
};

// The shape part of a project as the undo history keeps it.
struct EditSnapshot {
  bool Filled = false;
  ShapeMode Mode = ShapeMode::Affine;
  int32_t VertexCount = 0;
  std::vector<Vertex> Vertices;
  int32_t Selection = -1;
  int32_t ShapeCount = 0;
  std::vector<AffineShape> AffineShapes;
  std::vector<ProjectiveShape> ProjectiveShapes;
  bool Saved = true;
};

// Status panel 2: " Affine, 4 Shape(s), Sub-Shape 2 Selected".
std::string ShapeSummaryText(const Project& p);

// The name of a vertex in the hover status text, e.g. "vertex B of Main-Shape"
// or "the first vertex of Sub-Shape 3".
std::string VertexStatusName(int32_t shape, int32_t corner);

class ShapeEditor {
 public:
  explicit ShapeEditor(Project& project);

  Project& project() { return p_; }
  const Project& project() const { return p_; }

  // --- Environment the window keeps the editor informed of -----------------
  // Zoom of the view: 0.25, 0.5, 1, 2 or 4; other values are ignored.
  void SetScale(double scale);
  double Scale() const { return scale_; }
  // "Real-time Rendering" preference: render on every drag step, or once at release.
  void SetRealTimeRendering(bool on) { realTime_ = on; }
  bool RealTimeRendering() const { return realTime_; }
  // True while an animation is being recorded (drags then re-render only
  // after the mouse has moved more than 2 view pixels).
  void SetRecording(bool on) { recording_ = on; }

  // Call after every ResetProject (start-up, New, Open): Undo and Redo off,
  // shapes shown, hover back to drawing. The clipboard survives.
  EditResult OnProjectReset();

  // --- Mouse on the drawing view (positions in view pixels) -----------------
  EditResult MouseDown(MouseButton button, ShiftState shift, int32_t x, int32_t y, const ShapeSettings& panel);
  EditResult MouseMove(ShiftState shift, int32_t x, int32_t y);
  EditResult MouseUp(MouseButton button, ShiftState shift, int32_t x, int32_t y);
  // The mouse left the view (the window resets any cursor override itself).
  EditResult MouseLeave();
  // The mouse moves over the grey area around the view.
  EditResult ScrollAreaMouseMove();

  // The hover test at view position (x, y); also run by moves without buttons.
  EditResult UpdateHover(int32_t x, int32_t y);

  // --- Keyboard (the window's key preview) ----------------------------------
  // controlHasFocus: a control of the window has the keyboard focus (the
  // arrows then belong to it).
  EditResult KeyDown(int32_t key, ShiftState shift, bool controlHasFocus);
  EditResult KeyUp(int32_t key, ShiftState shift, bool controlHasFocus);
  // Moves the selection (one shape or all) by project pixels, corners included.
  void NudgeSelection(int32_t dx, int32_t dy);

  // --- Edit menu --------------------------------------------------------------
  EditResult Undo();
  EditResult Redo();
  EditResult Cut();
  EditResult Copy();
  EditResult Paste();
  EditResult Delete();
  EditResult ClearAll();
  EditResult SelectAll();
  EditResult SelectNone();
  EditMenuState EditMenu() const;

  // Snapshots bracketing an undoable action. The side panel takes them around
  // ApplyShapeSetting with kind 1 to 6. TakeRedoSnapshot enables Undo.
  void TakeUndoSnapshot();
  void TakeRedoSnapshot();

  // --- Overlay ------------------------------------------------------------------
  // View > Shapes (and the eye icon): toggles ShapesVisible().
  EditResult ToggleShapes();
  bool ShapesVisible() const { return shapesVisible_; }
  // One step of the crawling dashes; true when the view should be repainted.
  bool AdvanceSelectionDashes();
  // The 300 ms interface timer: dash step, and the mouse position in status
  // panel 1 while the left button is held.
  EditResult TimerTick();
  OverlayScene Overlay() const { return BuildOverlayScene(p_, scale_, dashPhase_, lastMousePos_); }

  // --- State, for the window and for tests -------------------------------------
  HoverAction Hover() const { return hover_; }
  // The vertex and the shape of the current mode under the mouse (-1 none).
  int32_t HotVertex() const { return hotVertex_; }
  int32_t HotShape() const { return hotShape_[p_.Mode == ShapeMode::Affine ? 0 : 1]; }
  EditCursor Cursor() const { return CursorFor(hover_); }
  static EditCursor CursorFor(HoverAction a);
  float SelectionDashPhase() const { return dashPhase_; }
  Vertex LastMousePos() const { return lastMousePos_; }
  bool UndoEnabled() const { return undoEnabled_; }
  bool RedoEnabled() const { return redoEnabled_; }
  // 0 empty, 3 an Affine shape, 4 a Projective shape.
  int32_t ClipboardKind() const { return clipboardKind_; }
  const AffineShape& AffineClipboard() const { return affineClipboard_; }
  const ProjectiveShape& ProjectiveClipboard() const { return projectiveClipboard_; }

 private:
  bool Consistent() const;
  bool Complete() const;
  EditResult RefreshHover();
  EditResult FinishShapeCommand();
  void ResetHoverState();
  void DragSelection(int32_t x, int32_t y);
  void MoveShapeVertices(int32_t shape, int32_t dx, int32_t dy);
  void MoveAllVertices(int32_t dx, int32_t dy);
  bool FillSnapshot(EditSnapshot& s) const;
  bool RestoreSnapshot(const EditSnapshot& s);
  EditResult RestoreAndRefresh(bool undo);
  void CopySelectedShape();
  bool DeleteSelectedShape();
  EditResult ShowShapes();
  bool KeyNudgeConditions(int32_t key, bool controlHasFocus) const;
  void SetHotShape(int32_t s) { hotShape_[p_.Mode == ShapeMode::Affine ? 0 : 1] = s; }

  Project& p_;
  double scale_ = 1.0;
  bool realTime_ = true;
  bool recording_ = false;

  HoverAction hover_ = HoverAction::Draw;
  int32_t hotVertex_ = -1;
  std::array<int32_t, 2> hotShape_{-1, -1};  // per mode: Affine, Projective
  int32_t dragVertex_ = -1;                  // the vertex a left drag moves
  bool gestureActive_ = false;               // a press on the view, until its release
  bool nudgeActive_ = false;                 // arrow keys held, until the release
  Vertex lastMousePos_{};
  ShiftState lastMouseShift_{};
  Vertex recordedDragPoint_{};
  bool mouseOverView_ = false;

  bool shapesVisible_ = true;
  float dashPhase_ = 0.0f;
  int32_t lastPaintedAffineSelection_ = 0;
  int32_t lastPaintedProjectiveSelection_ = 0;

  EditSnapshot undoSnapshot_;
  EditSnapshot redoSnapshot_;
  bool undoEnabled_ = false;
  bool redoEnabled_ = false;

  int32_t clipboardKind_ = 0;
  AffineShape affineClipboard_{};
  ProjectiveShape projectiveClipboard_{};
};

}  // namespace plumavo
