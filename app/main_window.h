// The main window: menus, toolbar, the drawing area, the side panel of brush
// and canvas controls and the status bar. It owns the one Project, the canvas
// and view surfaces, the renderer and the shape editor for the whole run, and
// turns every input into model operations followed by UpdateInterfaceState
// and a render.
#pragma once

#include <array>
#include <chrono>
#include <memory>

#include <QCursor>
#include <QImage>
#include <QMainWindow>

#include "app/commands.h"
#include "app/prompts.h"
#include "app/settings_store.h"  // kApplicationTitle
#include "canvas/canvas_style.h"
#include "editing/shape_editor.h"
#include "model/project.h"
#include "render/ifs/renderer.h"
#include "surface/bitmap32.h"

class QAbstractButton;
class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTimer;
class QToolBar;
class QToolButton;

namespace plumavo {

class ClickLabel;
class ColorSwatch;
class ImageView;
class OutlineBox;
class PalettePicture;
class SpinEdit;
class GradientDialog;
class DialogCommands;
class FileCommands;
class AnimationCommands;
class PrintCommands;

// The status bar: panel 0 plain text (330 pixels), panels 1 (90) and 2 (132)
// drawn with an icon before their text.
class StatusPanels : public QWidget {
  Q_OBJECT
 public:
  static constexpr std::array<int, 3> kWidths{330, 90, 132};
  explicit StatusPanels(QWidget* parent = nullptr);
  QString Text(int panel) const { return texts_[size_t(panel)]; }
  void SetText(int panel, const QString& text);
  // Icon of panel 2 follows the shape mode.
  void SetProjective(bool projective);
  std::function<QPixmap(int)> ImageSource;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::array<QString, 3> texts_;
  bool projective_ = false;
};

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // Replaces the dialogs (tests install a ScriptedPrompter).
  void SetPrompts(std::unique_ptr<Prompter> prompts);
  Prompter& Prompts() { return *prompts_; }

  // --- Program-wide state -------------------------------------------------
  Project project;
  TCanvasState canvas;
  TBitmap32 ViewBitmap;   // the view's own bitmap, BackColor
  TBitmap32 CanvasLayer;  // composed canvas and rendered picture
  TBitmap32 OutputImage;  // snapshot for export, printing and frames
  TRenderer renderer;
  // The one settings store of the program; every module and dialog reads
  // and writes through it.
  SettingsStore settings;
  std::unique_ptr<ShapeEditor> editor;

  // How long an arrow key's release waits for the same key to come down again
  // before it ends the nudge (a repeat the window system did not mark).
  static constexpr int kArrowReleaseMs = 120;
  // One frame of a 60 Hz screen.
  static constexpr std::chrono::microseconds kFrameTime{16667};

  // --- Commands and routines ------------------------------------------------
  void UpdateInterfaceState();
  void TakeOutputSnapshot();
  void RenderImage();
  void ComposeCanvas();
  // The window's part of a project reset: model reset, view at 100 %, canvas
  // icons and list, opacity 255, the editor's reset.
  void ResetProject(int32_t width, int32_t height, bool clearDocument, ShapeMode mode);
  void SetProjectSize(int32_t width, int32_t height);
  void LayoutView();
  void CentreView();
  // Carries out what an editor call asks of the window.
  void ApplyEdit(const EditResult& r);
  // The side panel's settings as plain values, and the reverse.
  ShapeSettings PanelSettings() const;
  void ShowShapeSettingsInPanel();
  void ApplySetting(ShapeSetting kind);
  void FillBrushList(int brush);
  // The panel's start state: black, no diffusing, depth 1, the first brush,
  // Normal, fully opaque.
  void ResetSidePanel();
  static constexpr TColor kStartShapeColor = 0x000000;
  // Handlers.
  void ZoomTo(int index);
  void ZoomButtonClick();
  void CanvasStyleListChange(int index);
  void CanvasOpacitySliderChange(int value);
  void uiTimerTimer();
  void HintHandler(const QString& hint);
  bool Recording() const;

  QPixmap ImageListPixmap(int index) const;
  const QCursor& CursorOf(EditCursor c) const;

  // --- Commands and menus -------------------------------------------------------
  // The fixed commands of the menus and the toolbar (app/commands.h).
  CommandActions* commands = nullptr;
  QAction* Action(CommandId id) const { return commands->Action(id); }
  QMenu* recentMenu;                      // File > Recent Projects
  QMenu* zoomMenu;                        // View > Zoom
  std::array<QAction*, 5> zoomActions{};  // its 25 % .. 400 %
  QMenu* zoomPopup;                       // the Zoom button's drop-down
  std::array<QAction*, 5> zoomPopupActions{};
  QMenu* recentPopup;  // the Open button's drop-down

  // --- Toolbar ------------------------------------------------------------------
  QToolBar* ToolBar;
  // The toolbar button of a command (null for commands not on it).
  QToolButton* ToolButton(CommandId id) const { return toolButtons_[size_t(id)]; }
  QToolButton* zoomButton;

  // --- Side panel -----------------------------------------------------------------
  QWidget* sidePanel;
  QWidget* colorPanel;
  ClickLabel* showShapesIcon;
  ColorSwatch* colorSwatch;
  PalettePicture* colorPicture;
  QCheckBox* diffusingCheck;
  SpinEdit* diffusingDepthField;
  QComboBox* brushStyleList;
  QComboBox* brushList;
  QComboBox* blendingModeList;
  QSlider* brushOpacitySlider;
  QComboBox* canvasStyleList;
  QSlider* canvasOpacitySlider;
  QToolButton *recordButton, *stopButton, *playButton;

  // --- Drawing area and status bar --------------------------------------------------
  QScrollArea* viewScrollArea;
  QWidget* viewPanel;
  QFrame* viewShadow;
  OutlineBox* viewFrame;
  ImageView* imageView;
  StatusPanels* statusPanels;

  QTimer* uiTimer;
  QTimer* aniTimer;
  GradientDialog* gradientDialog = nullptr;  // made on first use
  // Size, background, export, tips, about and help.
  DialogCommands* dialogs = nullptr;
  // New, Open, Save, recent projects, preferences and the save question.
  FileCommands* files = nullptr;
  // Recording and playing animations.
  AnimationCommands* animations = nullptr;
  // Print, printer setup and the print preview.
  PrintCommands* prints = nullptr;

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  std::chrono::steady_clock::duration lastRenderTime_{};  // of the last RenderImage

  void FormCreate();
  void FormShow();
  void CreateMenus();
  void CreateToolBar();
  void CreateSidePanel();
  void CreateDrawingArea();
  void LoadResources();
  void FillCanvasStyleList();
  void KeepArrowKeysForTheShapes();
  void UpdateSolidSwatch(TColor c);
  void UpdateGradientSwatch();
  void SyncShapesVisible();
  bool SaveBeforeClosing();
  void DiffusingDepthFieldKeyUp();
  void KeyPreview(QKeyEvent* e, bool down);
  // The button is enabled with the command and triggers it.
  void FollowCommand(QAbstractButton* b, CommandId id);
  std::array<QToolButton*, kCommandCount> toolButtons_{};
  // Ends the arrow run whose release is being held back (see KeyPreview).
  void FlushArrowRelease();
  QTimer* arrowRelease_ = nullptr;
  int32_t pendingArrow_ = 0;
  ShiftState pendingArrowShift_{};

  std::unique_ptr<Prompter> prompts_;
  QImage imageList_;
  std::array<QCursor, 6> cursors_{};
  bool shown_ = false;
};

}  // namespace plumavo
