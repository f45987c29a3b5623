#include "app/main_window.h"

#include <algorithm>
#include <variant>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/animation_commands.h"
#include "app/dialog_commands.h"
#include "app/engine_bridge.h"
#include "app/file_commands.h"
#include "app/gradient_dialog.h"
#include "app/image_view.h"
#include "app/overlay_painter.h"
#include "app/print_commands.h"
#include "app/safely.h"
#include "app/widgets.h"
#include "media/image_decoder.h"

// The pictures are compiled into this static library; nothing else refers to
// them, so they are registered by hand.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace plumavo {

namespace {

QImage WrapCopy(const TBitmap32& b) {
  if (b.Empty()) return {};
  return QImage(reinterpret_cast<const uchar*>(b.Bits()), b.Width(), b.Height(), qsizetype(b.Width()) * 4,
                QImage::Format_ARGB32)
      .copy();
}

// Virtual-key codes for the keys the editor looks at.
int32_t VirtualKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Escape: return kKeyEscape;
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    default: return qtKey & 0xFFFF;
  }
}

ShiftState ShiftOf(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
  ShiftState s;
  s.Shift = m & Qt::ShiftModifier;
  s.Ctrl = m & Qt::ControlModifier;
  s.Alt = m & Qt::AltModifier;
  s.Left = b & Qt::LeftButton;
  s.Right = b & Qt::RightButton;
  s.Middle = b & Qt::MiddleButton;
  return s;
}

std::optional<MouseButton> ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return MouseButton::Left;
    case Qt::RightButton: return MouseButton::Right;
    case Qt::MiddleButton: return MouseButton::Middle;
    default: return std::nullopt;
  }
}

// A dark title bar with light text over each side panel section.
QLabel* SectionTitle(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setAutoFillBackground(true);
  QPalette pal = l->palette();
  pal.setColor(QPalette::Window, QColor(64, 64, 72));
  pal.setColor(QPalette::WindowText, QColor(235, 235, 235));
  l->setPalette(pal);
  l->setContentsMargins(4, 1, 4, 1);
  QFont f = l->font();
  f.setBold(true);
  f.setPixelSize(11);  // the section titles must fit the 138-pixel panel
  l->setFont(f);
  return l;
}

void SetHint(QWidget* w, const QString& hint) {
  w->setToolTip(hint);
  w->setStatusTip(hint);
}

}  // namespace

// ---------------------------------------------------------------------------
// Status bar

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
  setFixedHeight(20);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TStatusBar::SetText(int panel, const QString& text) {
  if (panel < 0 || panel > 2 || texts_[size_t(panel)] == text) return;
  texts_[size_t(panel)] = text;
  update();
}

void TStatusBar::SetProjective(bool projective) {
  if (projective_ == projective) return;
  projective_ = projective;
  update();
}

void TStatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  int left = 0;
  for (int i = 0; i < 3; ++i) {
    // The last panel also takes whatever room is left at the right.
    const int w = i == 2 ? std::max(kWidths[2], width() - left) : kWidths[size_t(i)];
    const QRect r(left, 1, w - 2, height() - 2);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::WindowText));
    int textLeft = r.left() + 2;
    if (i > 0) {
      const QPixmap icon =
          ImageSource ? ImageSource(i == 1 ? iiMousePos : (projective_ ? iiProjective : iiAffine)) : QPixmap();
      if (i == 1)
        p.drawPixmap(r.left() + 1, r.top() + 1, icon);
      else
        p.drawPixmap(r.left(), r.top(), icon);
      textLeft = r.left() + 16;
    }
    p.drawText(QRect(textLeft, r.top() + 2, r.right() - textLeft, r.height() - 2), Qt::AlignLeft | Qt::AlignVCenter,
               texts_[size_t(i)]);
    left += kWidths[size_t(i)];
  }
}

// ---------------------------------------------------------------------------
// Construction

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), prompts_(std::make_unique<TQtPrompts>(this)) {
  InitIconResources();
  setWindowTitle(kApplicationTitle);
  resize(700, 576);
  setMinimumSize(320, 240);
  setAcceptDrops(true);
  editor = std::make_unique<ShapeEditor>(project);
  FormCreate();
  // Key preview, the grey area's mouse moves and the depth field's typing
  // rules all pass through eventFilter.
  qApp->installEventFilter(this);
  SetFailureReporter([this](const std::string& message) { prompts_->Error(QString::fromStdString(message)); });
}

TfrmMain::~TfrmMain() {
  SetFailureReporter(nullptr);
  qApp->removeEventFilter(this);
}

void TfrmMain::SetPrompts(std::unique_ptr<TPrompts> prompts) {
  if (prompts) prompts_ = std::move(prompts);
}

void TfrmMain::LoadResources() {
  imageList_.load(":/icons/imagelist16.png");
  static constexpr std::array<const char*, 6> files{"",
                                                    ":/icons/cursor_movev.png",
                                                    ":/icons/cursor_eyedrop.png",
                                                    ":/icons/cursor_move.png",
                                                    ":/icons/cursor_pencil.png",
                                                    ":/icons/cursor_hand.png"};
  for (size_t i = 1; i < files.size(); ++i) {
    QImage img(files[i]);
    if (img.isNull()) continue;  // a missing cursor leaves the default one
    const int hx = img.text("HotSpotX").toInt(), hy = img.text("HotSpotY").toInt();
    cursors_[i] = QCursor(QPixmap::fromImage(img), hx, hy);
  }
}

QPixmap TfrmMain::ImageListPixmap(int index) const {
  if (imageList_.isNull() || index < 0 || (index + 1) * 16 > imageList_.width()) return {};
  return QPixmap::fromImage(imageList_.copy(index * 16, 0, 16, 16));
}

const QCursor& TfrmMain::CursorOf(EditCursor c) const {
  const auto i = size_t(c);
  return i < cursors_.size() ? cursors_[i] : cursors_[0];
}

void TfrmMain::FormCreate() {
  // The platform's colours stand in for the system colour table.
  const QPalette pal = QApplication::palette();
  SystemColorTable::Set(5, pal.color(QPalette::Base).rgb() | 0xFF000000u);
  SystemColorTable::Set(8, pal.color(QPalette::Text).rgb() | 0xFF000000u);
  SystemColorTable::Set(15, pal.color(QPalette::Button).rgb() | 0xFF000000u);
  SystemColorTable::Set(18, pal.color(QPalette::ButtonText).rgb() | 0xFF000000u);

  LoadResources();
  CreateMenus();
  CreateToolBar();

  auto* central = new QWidget(this);
  auto* rows = new QVBoxLayout(central);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* middle = new QHBoxLayout;
  middle->setContentsMargins(0, 0, 0, 0);
  middle->setSpacing(0);
  CreateDrawingArea();
  CreateSidePanel();
  middle->addWidget(sbDraw, 1);
  middle->addWidget(pnlSide);
  rows->addLayout(middle, 1);
  StatusBar = new TStatusBar(central);
  StatusBar->ImageSource = [this](int i) { return ImageListPixmap(i); };
  rows->addWidget(StatusBar);
  setCentralWidget(central);

  arrowRelease_ = new QTimer(this);
  arrowRelease_->setSingleShot(true);
  arrowRelease_->setInterval(kArrowReleaseMs);
  connect(arrowRelease_, &QTimer::timeout, this, [this] { Safely([&] { FlushArrowRelease(); }); });
  uiTimer = new QTimer(this);
  uiTimer->setInterval(300);
  connect(uiTimer, &QTimer::timeout, this, [this] { Safely([&] { uiTimerTimer(); }); });
  aniTimer = new QTimer(this);  // started by animation recording

  frmGradient = new TfrmGradient([this]() -> TPrompts& { return *prompts_; }, this);
  dialogs = new TDialogCommands(*this);
  files = new TFileCommands(*this);
  animations = new TAnimationCommands(*this);
  prints = new TPrintCommands(*this);

  KeepArrowKeysForTheShapes();
  // Large fonts need more room than the 700 x 576 the window is made for;
  // the side panel must never be squeezed.
  ensurePolished();  // sizes as the style and fonts in force make them
  const QSize needed = minimumSizeHint();
  resize(std::max(width(), needed.width()), std::max(height(), needed.height()));
  editor->SetRealTimeRendering(renderer.Preferences.RealTimeRendering);
  ResetProject(kDefaultProjectWidth, kDefaultProjectHeight, true, ShapeMode::Affine);
  UpdateInterfaceState();
  ComposeCanvas();
}

void TfrmMain::CreateMenus() {
  commands = new CommandActions(this, [this](int i) { return ImageListPixmap(i); });
  recentMenu = new QMenu("Re&cent Projects", this);
  zoomMenu = new QMenu("&Zoom", this);
  zoomMenu->menuAction()->setStatusTip("Change the view magnification");
  zoomMenu->menuAction()->setIcon(ImageListPixmap(iiZoom));
  commands->BuildMenus(menuBar(), [this](const char* name, QMenu*) {
    return std::string_view(name) == "Recent" ? recentMenu : zoomMenu;
  });

  // The commands the window carries out itself; the modules bind theirs.
  using C = CommandId;
  commands->Bind(C::FileExit, [this] { close(); });
  commands->Bind(C::EditUndo, [this] { ApplyEdit(editor->Undo()); });
  commands->Bind(C::EditRedo, [this] { ApplyEdit(editor->Redo()); });
  commands->Bind(C::EditCut, [this] { ApplyEdit(editor->Cut()); });
  commands->Bind(C::EditCopy, [this] { ApplyEdit(editor->Copy()); });
  commands->Bind(C::EditPaste, [this] { ApplyEdit(editor->Paste()); });
  commands->Bind(C::EditDelete, [this] { ApplyEdit(editor->Delete()); });
  commands->Bind(C::EditClear, [this] { ApplyEdit(editor->ClearAll()); });
  commands->Bind(C::EditSelectAll, [this] { ApplyEdit(editor->SelectAll()); });
  commands->Bind(C::EditSelectNone, [this] { ApplyEdit(editor->SelectNone()); });
  commands->Bind(C::ViewShapes, [this] { ApplyEdit(editor->ToggleShapes()); });
  // The check mark has already flipped when triggered arrives.
  commands->Bind(C::ViewToolbar, [this] {
    ToolBar->setVisible(Action(C::ViewToolbar)->isChecked());
    CentreView();
  });
  commands->Bind(C::ViewStatusBar, [this] {
    StatusBar->setVisible(Action(C::ViewStatusBar)->isChecked());
    CentreView();
  });
  commands->Bind(C::ViewSidePanel, [this] {
    pnlSide->setVisible(Action(C::ViewSidePanel)->isChecked());
    CentreView();
  });
  commands->Bind(C::ViewRefresh, [this] { RenderImage(); });

  // The zoom levels, twice: the menu and the Zoom button's drop-down (whose
  // hints have no trailing blank on 200 % and 400 %).
  zoomPopup = new QMenu(this);
  static constexpr std::array<const char*, 5> zoomCaptions{"25%", "50%", "100%", "200%", "400%"};
  static constexpr std::array<const char*, 5> zoomHints{"Reduce the view to 25%", "Reduce the view to 50%",
                                                        "Display the image at 100% ", "Magnify the view to 200% ",
                                                        "Magnify the view to 400% "};
  auto* zoomGroup = new QActionGroup(this);
  auto* popZoomGroup = new QActionGroup(this);
  for (size_t i = 0; i < zoomCaptions.size(); ++i) {
    QString popHint = zoomHints[i];
    if (i >= 3) popHint = popHint.trimmed();
    zoomActions[i] = zoomMenu->addAction(zoomCaptions[i]);
    zoomActions[i]->setStatusTip(zoomHints[i]);
    zoomPopupActions[i] = zoomPopup->addAction(zoomCaptions[i]);
    zoomPopupActions[i]->setStatusTip(popHint);
    for (QAction* a : {zoomActions[i], zoomPopupActions[i]}) {
      a->setCheckable(true);
      a->setChecked(i == 2);
      connect(a, &QAction::triggered, this, [this, i] { Safely([&] { ZoomTo(int(i)); }, "Zoom"); });
    }
    zoomGroup->addAction(zoomActions[i]);
    popZoomGroup->addAction(zoomPopupActions[i]);
  }
  recentPopup = new QMenu(this);
}

void TfrmMain::CreateToolBar() {
  ToolBar = addToolBar("Toolbar");
  ToolBar->setMovable(false);
  ToolBar->setFloatable(false);
  ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ToolBar->setIconSize(QSize(16, 16));
  auto button = [&](const char* caption, int image, const QString& hint) {
    auto* b = new QToolButton(ToolBar);
    b->setText(caption);
    b->setAutoRaise(true);  // flat
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // The size the toolbar is made for at least; larger fonts widen the
    // button rather than hide its caption.
    b->setMinimumSize(46, 36);
    b->setIcon(ImageListPixmap(image));
    SetHint(b, hint);
    ToolBar->addWidget(b);
    return b;
  };
  for (const ToolbarEntry& e : ToolbarLayout()) {
    if (e.Type == ToolbarEntry::Separator) {
      ToolBar->addSeparator();
    } else if (e.Type == ToolbarEntry::Zoom) {
      zoomButton = button(e.Caption, iiZoom, zoomMenu->menuAction()->statusTip());
      connect(zoomButton, &QToolButton::clicked, this, [this] { Safely([&] { ZoomButtonClick(); }, "Zoom"); });
      zoomButton->setMenu(zoomPopup);
      zoomButton->setPopupMode(QToolButton::MenuButtonPopup);
    } else {
      QAction* twin = Action(e.Id);
      QToolButton* b = button(e.Caption, CommandOf(e.Id).Icon, twin->statusTip());
      FollowCommand(b, e.Id);
      toolButtons_[size_t(e.Id)] = b;
    }
  }
  QToolButton* open = ToolButton(CommandId::FileOpen);
  open->setMenu(recentPopup);
  open->setPopupMode(QToolButton::MenuButtonPopup);
  // Drop-down buttons need room for their arrow.
  open->setFixedWidth(58);
  zoomButton->setFixedWidth(58);
}

void TfrmMain::FollowCommand(QAbstractButton* b, CommandId id) {
  QAction* twin = Action(id);
  b->setEnabled(twin->isEnabled());
  connect(twin, &QAction::enabledChanged, b, &QWidget::setEnabled);
  connect(b, &QAbstractButton::clicked, twin, [twin] { twin->trigger(); });
}

void TfrmMain::CreateDrawingArea() {
  sbDraw = new QScrollArea(this);
  sbDraw->setFrameShape(QFrame::NoFrame);
  sbDraw->setAlignment(Qt::AlignCenter);
  sbDraw->setWidgetResizable(false);
  QPalette pal = sbDraw->palette();
  pal.setColor(QPalette::Window, QColor(0x78, 0x78, 0x78));
  sbDraw->setPalette(pal);
  sbDraw->setBackgroundRole(QPalette::Window);
  sbDraw->setAutoFillBackground(true);
  sbDraw->viewport()->setMouseTracking(true);

  PanelDraw = new QWidget;
  PanelDraw->setMouseTracking(true);
  shShadow = new QFrame(PanelDraw);
  shShadow->setStyleSheet("background-color: #505050; border: none;");
  shFrame = new QFrame(PanelDraw);
  shFrame->setStyleSheet("background: transparent; border: 1px solid #808080;");
  ImgDraw = new TImageView(ViewBitmap, CanvasLayer, PanelDraw);
  ImgDraw->move(1, 1);
  ImgDraw->OverlayPainter = [this](QPainter& p) { Safely([&] { PaintShapeOverlay(p, *editor); }); };
  ImgDraw->OnMouseDown = [this](QMouseEvent& e) {
    Safely([&] {
      const auto b = ButtonOf(e.button());
      if (!b) return;
      const QPoint pos = e.position().toPoint();
      ApplyEdit(editor->MouseDown(*b, ShiftOf(e.modifiers(), e.buttons()), pos.x(), pos.y(), PanelSettings()));
    });
  };
  ImgDraw->OnMouseMove = [this](QMouseEvent& e) {
    Safely([&] {
      if (animations) animations->ImgDrawMouseMove();
      const QPoint pos = e.position().toPoint();
      ApplyEdit(editor->MouseMove(ShiftOf(e.modifiers(), e.buttons()), pos.x(), pos.y()));
    });
  };
  ImgDraw->OnMouseUp = [this](QMouseEvent& e) {
    Safely([&] {
      const auto b = ButtonOf(e.button());
      if (!b) return;
      const QPoint pos = e.position().toPoint();
      ApplyEdit(editor->MouseUp(*b, ShiftOf(e.modifiers(), e.buttons()), pos.x(), pos.y()));
    });
  };
  ImgDraw->OnMouseLeave = [this] { Safely([&] { ApplyEdit(editor->MouseLeave()); }); };
  ImgDraw->setCursor(CursorOf(EditCursor::Pencil));
  sbDraw->setWidget(PanelDraw);
}

void TfrmMain::CreateSidePanel() {
  pnlSide = new QWidget(this);
  // The width the panel is made for at least, wider when the fonts need it.
  pnlSide->setMinimumWidth(138);
  pnlSide->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* col = new QVBoxLayout(pnlSide);
  col->setContentsMargins(2, 2, 2, 2);
  col->setSpacing(2);
  auto section = [&](const QString& title) { col->addWidget(SectionTitle(title, pnlSide)); };

  // Shape Color: the eye icon and the swatch beside the palette picture.
  section("Shape Color");
  pnlColor = new QWidget(pnlSide);
  auto* colorRow = new QHBoxLayout(pnlColor);
  colorRow->setContentsMargins(2, 2, 2, 2);
  colorRow->setSpacing(4);
  auto* swatches = new QVBoxLayout;
  swatches->setSpacing(4);
  icoShowShapes = new TClickLabel(pnlColor);
  icoShowShapes->setFixedSize(16, 16);
  icoShowShapes->setPixmap(ImageListPixmap(iiShapesShown));
  SetHint(icoShowShapes, "Show/Hide shapes");
  icoShowShapes->setCursor(CursorOf(EditCursor::Hand));
  icoShowShapes->OnClick = [this] { Safely([&] { ApplyEdit(editor->ToggleShapes()); }); };
  shpColor = new TColorSwatch(pnlColor);
  shpColor->setFixedSize(16, 16);
  shpColor->SetColor(kStartShapeColor);
  shpColor->setCursor(CursorOf(EditCursor::Hand));
  shpColor->OnMouseDown = [this] {
    Safely([&] {
      const auto c = prompts_->ChooseColor(shpColor->Color());
      if (c && *c != shpColor->Color()) {
        shpColor->SetColor(*c);
        ApplySetting(ShapeSetting::Color);
      }
    });
  };
  swatches->addWidget(icoShowShapes);
  swatches->addWidget(shpColor);
  swatches->addStretch();
  imgColor = new TPalettePicture(pnlColor);
  imgColor->setFixedSize(106, 62);
  imgColor->SetPicture(QImage(":/icons/colorpanel.png"));
  imgColor->setCursor(CursorOf(EditCursor::EyeDrop));
  imgColor->OnPreview = [this](TColor c) { shpColor->SetColor(c); };
  imgColor->OnPick = [this](TColor c) {
    Safely([&] {
      shpColor->SetColor(c);
      ApplySetting(ShapeSetting::Color);
    });
  };
  colorRow->addLayout(swatches);
  colorRow->addWidget(imgColor);
  col->addWidget(pnlColor);

  section("Rendering Diffusion");
  auto* diffRow = new QHBoxLayout;
  cbDiffusing = new QCheckBox("Diffusing", pnlSide);
  seDiffusingLen = new TSpinEdit(pnlSide);
  seDiffusingLen->setRange(1, kMaxDiffusingLen);
  seDiffusingLen->setValue(1);
  seDiffusingLen->lineEdit()->setMaxLength(2);
  seDiffusingLen->setEnabled(false);
  SetHint(seDiffusingLen, "Diffusing Depth");
  diffRow->addWidget(cbDiffusing);
  diffRow->addWidget(seDiffusingLen);
  col->addLayout(diffRow);
  connect(cbDiffusing, &QCheckBox::clicked, this, [this](bool checked) {
    Safely([&] {
      seDiffusingLen->setEnabled(checked);
      ApplySetting(ShapeSetting::Diffusing);
    });
  });
  connect(seDiffusingLen, &QSpinBox::valueChanged, this,
          [this](int) { Safely([&] { ApplySetting(ShapeSetting::DiffusingLen); }); });

  section("Brush Style");
  cbeBrushStyle = new QComboBox(pnlSide);
  SetHint(cbeBrushStyle, "Brush Categories");
  for (int c = 0; c < engine::CategoryCount(); ++c)
    cbeBrushStyle->addItem(QPixmap::fromImage(engine::BrushIconImage(engine::CategoryIconBrush(c))),
                           engine::CategoryCaption(c));
  cbeBrushStyle->setCurrentIndex(0);
  cbeBrush = new QComboBox(pnlSide);
  SetHint(cbeBrush, "Brushes");
  col->addWidget(cbeBrushStyle);
  col->addWidget(cbeBrush);
  FillBrushList(-1);
  connect(cbeBrushStyle, &QComboBox::activated, this, [this](int) {
    Safely([&] {
      FillBrushList(-1);
      ApplySetting(ShapeSetting::Brush);
    });
  });
  connect(cbeBrush, &QComboBox::activated, this, [this](int) { Safely([&] { ApplySetting(ShapeSetting::Brush); }); });

  section("Blending Mode");
  cbBlendingMode = new QComboBox(pnlSide);
  SetHint(cbBlendingMode, "Blending Modes");
  Safely([&] { cbBlendingMode->addItems(engine::BlendModeCaptions()); });
  cbBlendingMode->setCurrentIndex(0);
  col->addWidget(cbBlendingMode);
  connect(cbBlendingMode, &QComboBox::activated, this,
          [this](int) { Safely([&] { ApplySetting(ShapeSetting::BlendingMode); }); });

  section("Brush Opacity");
  gbBrushOpacity = new QSlider(Qt::Horizontal, pnlSide);
  gbBrushOpacity->setRange(0, 255);
  gbBrushOpacity->setValue(255);
  gbBrushOpacity->setCursor(CursorOf(EditCursor::Hand));
  col->addWidget(gbBrushOpacity);
  connect(gbBrushOpacity, &QSlider::valueChanged, this,
          [this](int) { Safely([&] { ApplySetting(ShapeSetting::BrushOpacity); }); });

  section("Canvas Style");
  cbeCanvasStyle = new QComboBox(pnlSide);
  cbeCanvasStyle->setMaxVisibleItems(8);
  // Some styles open the whole list around the current item and ignore the
  // row limit; the plain drop-down list keeps it to eight rows and scrolls.
  cbeCanvasStyle->setStyleSheet("QComboBox { combobox-popup: 0; }");
  SetHint(cbeCanvasStyle, "Canvas Styles");
  FillCanvasStyleList();
  col->addWidget(cbeCanvasStyle);
  connect(cbeCanvasStyle, &QComboBox::activated, this, [this](int i) { Safely([&] { cbeCanvasStyleChange(i); }); });

  // The lists take the panel's width instead of widening it to their
  // longest entry; what does not fit shows when the list opens.
  for (QComboBox* list : {cbeBrushStyle, cbeBrush, cbBlendingMode, cbeCanvasStyle}) {
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(6);
  }

  section("Canvas Opacity");
  gbCanvasOpacity = new QSlider(Qt::Horizontal, pnlSide);
  gbCanvasOpacity->setRange(0, 255);
  gbCanvasOpacity->setValue(255);
  SetHint(gbCanvasOpacity, "Canvas Opacity");
  gbCanvasOpacity->setCursor(CursorOf(EditCursor::Hand));
  col->addWidget(gbCanvasOpacity);
  connect(gbCanvasOpacity, &QSlider::valueChanged, this, [this](int v) { Safely([&] { gbCanvasOpacityChange(v); }); });

  section("Animation");
  auto* aniRow = new QHBoxLayout;
  auto speed = [&](CommandId id) {
    auto* b = new QToolButton(pnlSide);
    b->setIcon(ImageListPixmap(CommandOf(id).Icon));
    b->setAutoRaise(true);
    SetHint(b, Action(id)->statusTip());
    FollowCommand(b, id);
    aniRow->addWidget(b);
    return b;
  };
  recordButton = speed(CommandId::AnimationRecord);
  stopButton = speed(CommandId::AnimationStop);
  playButton = speed(CommandId::AnimationPlay);
  aniRow->addStretch();
  col->addLayout(aniRow);
  col->addStretch();
}

void TfrmMain::FillCanvasStyleList() {
  const QSignalBlocker block(cbeCanvasStyle);
  cbeCanvasStyle->clear();
  const auto& captions = CanvasStyleCaptions();
  // The icon of a texture is the texture itself, shrunk. All textures are
  // decoded by one child process: a process each would cost more than the
  // decoding.
  std::vector<std::string> textures;
  for (size_t i = csFirstTexture; i < captions.size(); ++i) textures.push_back(canvas.TexturePath(uint16_t(i)));
  std::vector<TBitmap32> tiles;
  const std::vector<TDecodeStatus> decoded = DecodeImageFilesIsolated(textures, tiles);
  for (size_t i = 0; i < captions.size(); ++i) {
    QImage icon;
    if (i == csGrid) {
      icon = WrapCopy(GridTile()).scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else if (i >= csFirstTexture) {
      const size_t t = i - csFirstTexture;
      if (t < decoded.size() && decoded[t] == TDecodeStatus::Ok && !tiles[t].Empty())
        icon = WrapCopy(tiles[t]).scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (icon.isNull()) {
      icon = QImage(16, 16, QImage::Format_ARGB32);
      icon.fill(QColor(160, 160, 160));
    }
    cbeCanvasStyle->addItem(QPixmap::fromImage(icon), captions[i]);
  }
}

void TfrmMain::UpdateSolidSwatch(TColor c) {
  Safely([&] { cbeCanvasStyle->setItemIcon(csSolid, QPixmap::fromImage(WrapCopy(MakeSolidSwatch(c)))); });
}

void TfrmMain::UpdateGradientSwatch() {
  Safely([&] {
    cbeCanvasStyle->setItemIcon(csGradient, QPixmap::fromImage(WrapCopy(MakeGradientSwatch(canvas.GradientBitmap))));
  });
}

// ---------------------------------------------------------------------------
// Start-up and shutdown

void TfrmMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!shown_) {
    shown_ = true;
    Safely([&] { FormShow(); });
  }
}

void TfrmMain::FormShow() {
  ImgDraw->raise();
  shShadow->lower();
  if (QWidget* f = focusWidget()) f->clearFocus();
  uiTimer->start();
  CentreView();
  // Recent projects, preferences and a project named on the command line.
  if (files) files->FormShow();
}

void TfrmMain::KeepArrowKeysForTheShapes() {
  // The window keeps no focused control, so the arrow keys always move the
  // selected shape. Buttons, lists, sliders and the scroll area never take
  // the focus (Qt would otherwise hand it to the first toolbar button each
  // time the window is activated, and Space would open the New dialog). The
  // depth field is the one text a user types into; it takes the focus only
  // when clicked and gives it up when the mouse moves over the picture.
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w->window() != this) continue;  // dialogs keep their own focus chain
    const bool depthField = w == seDiffusingLen || seDiffusingLen->isAncestorOf(w);
    w->setFocusPolicy(depthField ? Qt::ClickFocus : Qt::NoFocus);
  }
}

// A project file dragged from the file manager opens as File > Open would.
namespace {
QString DroppedProject(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  return path.endsWith(".plv", Qt::CaseInsensitive) ? path : QString();
}
}  // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent* e) {
  if (!DroppedProject(e->mimeData()).isEmpty() && !Recording()) e->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* e) {
  const QString path = DroppedProject(e->mimeData());
  if (path.isEmpty() || files == nullptr) return;
  e->acceptProposedAction();
  // Opened once the drop is over: the save question must not keep the file
  // manager waiting for the drag to end.
  QTimer::singleShot(0, this, [this, path] {
    if (!Recording() && files != nullptr) Safely([&] { files->OpenDroppedProject(path); });
  });
}

bool TfrmMain::SaveBeforeClosing() { return files == nullptr || files->QuerySaveChanges(); }

void TfrmMain::closeEvent(QCloseEvent* e) {
  bool close = true;
  Safely([&] { close = SaveBeforeClosing(); });
  if (!close) {
    e->ignore();
    return;
  }
  project.VertexCount = 0;
  uiTimer->stop();
  if (animations) Safely([&] { animations->FormClose(); });
  aniTimer->stop();
  e->accept();
}

// ---------------------------------------------------------------------------
// Events: hints, the grey area around the picture, key preview

bool TfrmMain::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    HintHandler(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

void TfrmMain::HintHandler(const QString& hint) { StatusBar->SetText(0, " " + hint); }

void TfrmMain::KeyPreview(QKeyEvent* e, bool down) {
  // A held arrow key repeats as release-press pairs; only the real release
  // ends the nudge, so the whole hold is one undo step.
  if (!down && e->isAutoRepeat()) return;
  QWidget* focus = QApplication::focusWidget();
  const bool controlHasFocus = focus != nullptr && focus->window() == this;
  const ShiftState shift = ShiftOf(e->modifiers(), QApplication::mouseButtons());
  const int32_t key = VirtualKey(e->key());
  const bool arrow = key >= kKeyLeft && key <= kKeyDown;
  // The window system does not always mark a repeat as one: on a busy
  // machine a repeat can arrive as a plain release and press. An arrow's
  // release therefore ends the run only when the same key does not come
  // down again at once.
  if (!down && arrow) {
    FlushArrowRelease();
    pendingArrow_ = key;
    pendingArrowShift_ = shift;
    arrowRelease_->start();
    return;
  }
  if (down && pendingArrow_ != 0) {
    if (key == pendingArrow_) {
      arrowRelease_->stop();
      pendingArrow_ = 0;  // the same run goes on
    } else {
      FlushArrowRelease();
    }
  }
  ApplyEdit(down ? editor->KeyDown(key, shift, controlHasFocus) : editor->KeyUp(key, shift, controlHasFocus));
}

void TfrmMain::FlushArrowRelease() {
  if (pendingArrow_ == 0) return;
  arrowRelease_->stop();
  const int32_t key = std::exchange(pendingArrow_, 0);
  QWidget* focus = QApplication::focusWidget();
  const bool controlHasFocus = focus != nullptr && focus->window() == this;
  ApplyEdit(editor->KeyUp(key, pendingArrowShift_, controlHasFocus));
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* e) {
  // Anything the user does next ends an arrow run first, so that its undo
  // step is complete before a click or a menu acts on it.
  // (Every key press is first offered as a shortcut; the held arrow itself
  // coming down again must not end its own run.)
  if (pendingArrow_ != 0) {
    const bool click = e->type() == QEvent::MouseButtonPress;
    const bool otherKey =
        e->type() == QEvent::ShortcutOverride && VirtualKey(static_cast<QKeyEvent*>(e)->key()) != pendingArrow_;
    if (click || otherKey) Safely([&] { FlushArrowRelease(); });
  }
  if ((watched == sbDraw->viewport() || watched == PanelDraw) && e->type() == QEvent::MouseMove) {
    Safely([&] {
      if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
      StatusBar->SetText(0, QString());
      ApplyEdit(editor->ScrollAreaMouseMove());
    });
    return false;
  }
  if (watched == seDiffusingLen) {
    if (e->type() == QEvent::KeyPress) {
      // Only digits and backspace may be typed; arrows and the like still step.
      auto* k = static_cast<QKeyEvent*>(e);
      const QString t = k->text();
      if (!t.isEmpty() && t[0].isPrint() && !(t[0] >= '0' && t[0] <= '9')) return true;
    } else if (e->type() == QEvent::KeyRelease) {
      Safely([&] { seDiffusingLenKeyUp(); });
    } else if (e->type() == QEvent::FocusOut) {
      Safely([&] {
        const QSignalBlocker block(seDiffusingLen);
        seDiffusingLen->setValue(seDiffusingLen->value());
        seDiffusingLen->lineEdit()->setText(QString::number(seDiffusingLen->value()));
      });
    }
  }
  if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
    auto* w = qobject_cast<QWidget*>(watched);
    auto* k = static_cast<QKeyEvent*>(e);
    // Key preview: the window sees each key once, at its first receiver (the
    // focused control, or the window itself when nothing has the focus).
    QWidget* first = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : this;
    if (w != nullptr && w == first && w->window() == this)
      Safely([&] { KeyPreview(k, e->type() == QEvent::KeyPress); });
  }
  return QMainWindow::eventFilter(watched, e);
}

void TfrmMain::seDiffusingLenKeyUp() {
  // The field is never left empty or out of range: its text is read as a
  // number (0 when it is none) and limited to 1..20.
  bool ok = false;
  const int typed = seDiffusingLen->lineEdit()->text().toInt(&ok);
  const int v = std::clamp(ok ? typed : 0, 1, kMaxDiffusingLen);
  if (!ok || typed != v) {
    seDiffusingLen->lineEdit()->setText(QString::number(v));
    seDiffusingLen->setValue(v);
  }
}

// ---------------------------------------------------------------------------
// Interface state

bool TfrmMain::Recording() const { return aniTimer->isActive(); }

bool TfrmMain::ShapesShownCheck() const { return Action(CommandId::ViewShapes)->isChecked(); }

void TfrmMain::UpdateInterfaceState() {
  const int32_t s = project.Selected();
  StatusBar->SetText(2, QString::fromStdString(ShapeSummaryText(project)));
  StatusBar->SetProjective(project.Mode == ShapeMode::Projective);

  const bool sub = s >= 1;
  for (QWidget* w : std::initializer_list<QWidget*>{imgColor, shpColor, cbDiffusing, cbeBrushStyle, cbeBrush,
                                                    cbBlendingMode, gbBrushOpacity})
    w->setEnabled(sub);
  seDiffusingLen->setEnabled(sub && cbDiffusing->isChecked());

  CommandState state;
  state.Recording = Recording();
  state.AnyVertex = project.VertexCount >= 1;
  state.Saved = project.ProjectSaved;
  state.HasBackground = !project.BackgroundImage.Empty();
  state.Edit = editor->EditMenu();
  state.ShapesShown = editor->ShapesVisible();
  state.ToolbarShown = !ToolBar->isHidden();
  state.StatusBarShown = !StatusBar->isHidden();
  state.SidePanelShown = !pnlSide->isHidden();
  commands->Refresh(state);
  recentMenu->menuAction()->setEnabled(!recentMenu->isEmpty());
}

void TfrmMain::TakeOutputSnapshot() { OutputImage.Assign(CanvasLayer); }

void TfrmMain::uiTimerTimer() { ApplyEdit(editor->TimerTick()); }

void TfrmMain::SyncShapesVisible() {
  const bool shown = editor->ShapesVisible();
  Action(CommandId::ViewShapes)->setChecked(shown);
  icoShowShapes->setPixmap(ImageListPixmap(shown ? iiShapesShown : iiShapesHidden));
  ImgDraw->SetOverlayVisible(shown);
}

void TfrmMain::ApplyEdit(const EditResult& r) {
  if (r.ShapesVisibilityChanged) SyncShapesVisible();
  if (r.ClearFocus)
    if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
  if (r.ShowShapeSettings) ShowShapeSettingsInPanel();
  if (r.UpdateInterface) UpdateInterfaceState();
  if (r.UndoRedoChanged) {
    Action(CommandId::EditUndo)->setEnabled(editor->UndoEnabled());
    Action(CommandId::EditRedo)->setEnabled(editor->RedoEnabled());
  }
  if (r.Status0) StatusBar->SetText(0, QString::fromStdString(*r.Status0));
  if (r.Status1) StatusBar->SetText(1, QString::fromStdString(*r.Status1));
  if (r.Cursor) ImgDraw->setCursor(CursorOf(*r.Cursor));
  if (r.StopRecording) Action(CommandId::AnimationStop)->trigger();
  if (r.Render) {
    // Let the overlay show the edit before a possibly long render.
    if (r.ProcessMessageFirst) ImgDraw->repaint();
    RenderImage();
  }
  if (r.RepaintView) ImgDraw->update();
}

void TfrmMain::RenderImage() {
  Safely([&] { renderer.RenderImage(project, canvas.CanvasPicture, CanvasLayer); });
  ImgDraw->update();
}

void TfrmMain::ComposeCanvas() {
  Safely([&] { canvas.ComposeCanvas(project, CanvasLayer, &ViewBitmap); });
  ImgDraw->update();
}

// ---------------------------------------------------------------------------
// Project size and view

void TfrmMain::ResetProject(int32_t width, int32_t height, bool clearDocument, ShapeMode mode) {
  plumavo::ResetProject(project, width, height, clearDocument, mode);
  renderer.StartDocument();
  if (clearDocument) setWindowTitle(ProjectCaption(project.ProjectFileName));
  // The view returns to 100 % with the right panel shown.
  ImgDraw->SetScale(1.0);
  editor->SetScale(1.0);
  zoomActions[2]->setChecked(true);
  zoomPopupActions[2]->setChecked(true);
  Action(CommandId::ViewSidePanel)->setChecked(true);
  pnlSide->setVisible(true);
  SetProjectSize(width, height);
  CentreView();
  // Canvas: icons, gradient picture, texture, list selection, opacity.
  UpdateSolidSwatch(project.CanvasColor);
  TTextureLoadResult texture;
  Safely([&] { texture = canvas.PrepareForProject(project); });
  UpdateGradientSwatch();
  {
    const QSignalBlocker block(cbeCanvasStyle);
    cbeCanvasStyle->setCurrentIndex(project.CanvasStyle);
  }
  gbCanvasOpacity->setValue(255);
  gbCanvasOpacityChange(255);
  ResetSidePanel();
  ApplyEdit(editor->OnProjectReset());
  // The project's texture could not be read: the canvas is plain and the
  // user is told why.
  if (!texture.Ok() && !texture.Message.empty()) prompts_->Error(QString::fromStdString(texture.Message));
  // Arrow keys must reach the shapes of the new project, not a control left
  // focused by the previous one.
  if (QWidget* f = QApplication::focusWidget(); f != nullptr && f->window() == this) f->clearFocus();
}

void TfrmMain::ResetSidePanel() {
  // Without the change handlers: nothing is applied to a shape here, the
  // panel only shows what the next new Sub-Shape will get.
  const QSignalBlocker b1(cbDiffusing), b2(seDiffusingLen), b3(gbBrushOpacity), b4(cbeBrushStyle), b5(cbBlendingMode);
  shpColor->SetColor(kStartShapeColor);
  cbDiffusing->setChecked(false);
  seDiffusingLen->setValue(1);
  cbeBrushStyle->setCurrentIndex(0);
  FillBrushList(-1);
  cbBlendingMode->setCurrentIndex(0);
  gbBrushOpacity->setValue(255);
}

void TfrmMain::SetProjectSize(int32_t width, int32_t height) {
  project.Width = width;
  project.Height = height;
  ViewBitmap.SetSize(width, height);
  CanvasLayer.SetSize(width, height);
  CanvasLayer.Clear(0x00000000u);
  LayoutView();
}

void TfrmMain::LayoutView() {
  const QSize s = ImgDraw->ScaledSize();
  ImgDraw->setGeometry(1, 1, s.width(), s.height());
  shFrame->setGeometry(0, 0, s.width() + 2, s.height() + 2);
  shShadow->setGeometry(5, 5, s.width() + 2, s.height() + 2);
  PanelDraw->resize(s.width() + 7, s.height() + 7);
  ImgDraw->update();
}

void TfrmMain::CentreView() {
  const QSize client = sbDraw->viewport()->size();
  const QSize panel = PanelDraw->size();
  const int x = panel.width() < client.width() ? (client.width() - panel.width()) / 2 : 0;
  const int y = panel.height() < client.height() ? (client.height() - panel.height()) / 2 : 0;
  PanelDraw->move(x - sbDraw->horizontalScrollBar()->value(), y - sbDraw->verticalScrollBar()->value());
}

void TfrmMain::ZoomTo(int index) {
  if (index < 0 || index >= 5) return;
  zoomActions[size_t(index)]->setChecked(true);
  zoomPopupActions[size_t(index)]->setChecked(true);
  bool ok = false;
  int percent = zoomActions[size_t(index)]->text().remove('%').toInt(&ok);
  if (!ok) percent = 100;
  const double scale = percent / 100.0;
  if (scale != ImgDraw->Scale()) {
    ImgDraw->SetScale(scale);
    editor->SetScale(scale);
    LayoutView();
    CentreView();
  }
}

void TfrmMain::ZoomButtonClick() {
  if (zoomPopupActions[2]->isChecked())
    zoomPopup->popup(zoomButton->mapToGlobal(QPoint(0, zoomButton->height())));
  else
    zoomPopupActions[2]->trigger();
}

// ---------------------------------------------------------------------------
// Side panel

ShapeSettings TfrmMain::PanelSettings() const {
  ShapeSettings s;
  s.Color = shpColor->Color();
  s.Diffusing = cbDiffusing->isChecked();
  s.DiffusingLen = seDiffusingLen->value();
  s.Brush = cbeBrush->currentIndex() >= 0 ? cbeBrush->currentData().toInt() : 0;
  s.BlendingMode = std::max(cbBlendingMode->currentIndex(), 0);
  s.BrushOpacity = gbBrushOpacity->value();
  return s;
}

void TfrmMain::ApplySetting(ShapeSetting kind) {
  editor->TakeUndoSnapshot();
  const bool applied = plumavo::ApplyShapeSetting(project, kind, PanelSettings());
  if (!applied) return;
  editor->TakeRedoSnapshot();
  Action(CommandId::EditUndo)->setEnabled(editor->UndoEnabled());
  Action(CommandId::EditRedo)->setEnabled(editor->RedoEnabled());
  UpdateInterfaceState();
  RenderImage();
}

void TfrmMain::FillBrushList(int brush) {
  const QSignalBlocker block(cbeBrush);
  cbeBrush->setEnabled(false);
  const int category = cbeBrushStyle->currentIndex();
  int row = 0, selected = -1;
  for (int b : engine::BrushesOf(category)) {
    const QIcon icon(QPixmap::fromImage(engine::BrushIconImage(b)));
    if (row < cbeBrush->count()) {
      cbeBrush->setItemText(row, engine::BrushCaption(b));
      cbeBrush->setItemIcon(row, icon);
      cbeBrush->setItemData(row, b);
    } else {
      cbeBrush->addItem(icon, engine::BrushCaption(b), b);
    }
    if (b == brush) selected = row;
    ++row;
  }
  while (cbeBrush->count() > row) cbeBrush->removeItem(cbeBrush->count() - 1);
  if (brush == -1 || selected < 0) selected = cbeBrush->count() > 0 ? 0 : -1;
  cbeBrush->setCurrentIndex(selected);
  cbeBrush->setEnabled(project.Selected() >= 1);
}

void TfrmMain::ShowShapeSettingsInPanel() {
  const std::optional<ShapeSettings> s = ShowShapeSettings(project);
  if (!s) return;  // the Main-Shape, nothing or all: the controls stay as they are
  const QSignalBlocker b1(cbDiffusing), b2(seDiffusingLen), b3(gbBrushOpacity), b4(cbeBrushStyle), b5(cbBlendingMode);
  cbDiffusing->setChecked(s->Diffusing);
  seDiffusingLen->setValue(std::clamp(s->DiffusingLen, 1, kMaxDiffusingLen));
  shpColor->SetColor(s->Color);
  const int category = engine::CategoryOf(s->Brush);
  cbeBrushStyle->setCurrentIndex(category >= 0 ? category : 0);
  FillBrushList(s->Brush);
  cbBlendingMode->setCurrentIndex(s->BlendingMode >= 0 && s->BlendingMode < cbBlendingMode->count() ? s->BlendingMode
                                                                                                    : 0);
  gbBrushOpacity->setValue(s->BrushOpacity);
}

void TfrmMain::gbCanvasOpacityChange(int value) {
  CanvasLayer.MasterAlpha = uint8_t(std::clamp(value, 0, 255));
  ImgDraw->update();
}

void TfrmMain::cbeCanvasStyleChange(int index) {
  if (index < 0) return;
  TStyleChoice choice;
  if (index == csSolid) {
    choice.Color = prompts_->ChooseColor(project.CanvasColor);
  } else if (index == csGradient) {
    frmGradient->Load(GradientSettingsOf(project));
    if (prompts_->RunDialog(*frmGradient)) choice.Gradient = frmGradient->Settings();
  }
  TStyleChangeResult r;
  {
    const TBusyCursor busy;  // a texture is decoded in a child process
    r = canvas.ChangeCanvasStyle(project, uint16_t(index), choice, CanvasLayer, &ViewBitmap);
  }
  {
    const QSignalBlocker block(cbeCanvasStyle);
    cbeCanvasStyle->setCurrentIndex(r.ListIndex);
  }
  if (r.Texture && !r.Texture->Ok() && !r.Texture->Message.empty())
    prompts_->Error(QString::fromStdString(r.Texture->Message));
  if (!r.Applied) return;
  if (r.SolidSwatchChanged) UpdateSolidSwatch(project.CanvasColor);
  if (r.GradientSwatchChanged) UpdateGradientSwatch();
  UpdateInterfaceState();
  ImgDraw->update();
  RenderImage();
}

}  // namespace plumavo
