#include "app/main_window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
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
#include <QProxyStyle>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QStyleFactory>
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
#include "app/resource_pictures.h"
#include "app/safely.h"
#include "app/widgets.h"

namespace plumavo {

namespace {

// The application's style, except that a combo box opens a plain drop-down
// list below itself. (A style sheet saying so costs far more to set up.)
class DropDownListStyle : public QProxyStyle {
 public:
  explicit DropDownListStyle(QObject* owner) : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
    setParent(owner);
  }
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

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

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent) {
  setFixedHeight(20);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void StatusPanels::SetText(int panel, const QString& text) {
  if (panel < 0 || panel > 2 || texts_[size_t(panel)] == text) return;
  texts_[size_t(panel)] = text;
  update();
}

void StatusPanels::SetProjective(bool projective) {
  if (projective_ == projective) return;
  projective_ = projective;
  update();
}

void StatusPanels::paintEvent(QPaintEvent*) {
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
          ImageSource ? ImageSource(i == 1 ? kIconMousePos : (projective_ ? kIconProjective : kIconAffine)) : QPixmap();
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

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), prompts_(std::make_unique<QtPrompter>(this)) {
  RegisterBuiltInPictures();
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

MainWindow::~MainWindow() {
  SetFailureReporter(nullptr);
  qApp->removeEventFilter(this);
}

void MainWindow::SetPrompts(std::unique_ptr<Prompter> prompts) {
  if (prompts) prompts_ = std::move(prompts);
}

void MainWindow::LoadResources() {
  const ResourcePictures& pictures = DecodedResourcePictures();
  imageList_ = pictures.ImageList;
  for (size_t i = 1; i < cursors_.size(); ++i) {
    const QImage& img = pictures.Cursors[i];
    if (img.isNull()) continue;  // a missing cursor leaves the default one
    const int hx = img.text("HotSpotX").toInt(), hy = img.text("HotSpotY").toInt();
    cursors_[i] = QCursor(QPixmap::fromImage(img), hx, hy);
  }
}

QPixmap MainWindow::ImageListPixmap(int index) const {
  if (imageList_.isNull() || index < 0 || (index + 1) * 16 > imageList_.width()) return {};
  return QPixmap::fromImage(imageList_.copy(index * 16, 0, 16, 16));
}

const QCursor& MainWindow::CursorOf(EditCursor c) const {
  const auto i = size_t(c);
  return i < cursors_.size() ? cursors_[i] : cursors_[0];
}

void MainWindow::FormCreate() {
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
  middle->addWidget(viewScrollArea, 1);
  middle->addWidget(sidePanel);
  rows->addLayout(middle, 1);
  statusPanels = new StatusPanels(central);
  statusPanels->ImageSource = [this](int i) { return ImageListPixmap(i); };
  rows->addWidget(statusPanels);
  setCentralWidget(central);

  arrowRelease_ = new QTimer(this);
  arrowRelease_->setSingleShot(true);
  arrowRelease_->setInterval(kArrowReleaseMs);
  connect(arrowRelease_, &QTimer::timeout, this, [this] { Safely([&] { FlushArrowRelease(); }); });
  uiTimer = new QTimer(this);
  uiTimer->setInterval(300);
  connect(uiTimer, &QTimer::timeout, this, [this] { Safely([&] { uiTimerTimer(); }); });
  aniTimer = new QTimer(this);  // started by animation recording

  dialogs = new DialogCommands(*this);
  files = new FileCommands(*this);
  animations = new AnimationCommands(*this);
  prints = new PrintCommands(*this);

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

void MainWindow::CreateMenus() {
  commands = new CommandActions(this, [this](int i) { return ImageListPixmap(i); });
  recentMenu = new QMenu("Re&cent Projects", this);
  zoomMenu = new QMenu("&Zoom", this);
  zoomMenu->menuAction()->setStatusTip("Change the view magnification");
  zoomMenu->menuAction()->setIcon(ImageListPixmap(kIconZoom));
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
    statusPanels->setVisible(Action(C::ViewStatusBar)->isChecked());
    CentreView();
  });
  commands->Bind(C::ViewSidePanel, [this] {
    sidePanel->setVisible(Action(C::ViewSidePanel)->isChecked());
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

void MainWindow::CreateToolBar() {
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
      zoomButton = button(e.Caption, kIconZoom, zoomMenu->menuAction()->statusTip());
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

void MainWindow::FollowCommand(QAbstractButton* b, CommandId id) {
  QAction* twin = Action(id);
  b->setEnabled(twin->isEnabled());
  connect(twin, &QAction::enabledChanged, b, &QWidget::setEnabled);
  connect(b, &QAbstractButton::clicked, twin, [twin] { twin->trigger(); });
}

void MainWindow::CreateDrawingArea() {
  viewScrollArea = new QScrollArea(this);
  viewScrollArea->setFrameShape(QFrame::NoFrame);
  viewScrollArea->setAlignment(Qt::AlignCenter);
  viewScrollArea->setWidgetResizable(false);
  QPalette pal = viewScrollArea->palette();
  pal.setColor(QPalette::Window, QColor(0x78, 0x78, 0x78));
  viewScrollArea->setPalette(pal);
  viewScrollArea->setBackgroundRole(QPalette::Window);
  viewScrollArea->setAutoFillBackground(true);
  viewScrollArea->viewport()->setMouseTracking(true);

  viewPanel = new QWidget;
  viewPanel->setMouseTracking(true);
  // The shadow and the frame are painted by the widgets themselves: a style
  // sheet on each cost the start about a quarter of a millisecond.
  viewShadow = new QFrame(viewPanel);
  QPalette shadow = viewShadow->palette();
  shadow.setColor(QPalette::Window, QColor(0x50, 0x50, 0x50));
  viewShadow->setPalette(shadow);
  viewShadow->setAutoFillBackground(true);
  viewFrame = new OutlineBox(QColor(0x80, 0x80, 0x80), viewPanel);
  imageView = new ImageView(ViewBitmap, CanvasLayer, viewPanel);
  imageView->move(1, 1);
  imageView->OverlayPainter = [this](QPainter& p) { Safely([&] { PaintShapeOverlay(p, *editor); }); };
  imageView->OnMouseDown = [this](QMouseEvent& e) {
    Safely([&] {
      const auto b = ButtonOf(e.button());
      if (!b) return;
      const QPoint pos = e.position().toPoint();
      ApplyEdit(editor->MouseDown(*b, ShiftOf(e.modifiers(), e.buttons()), pos.x(), pos.y(), PanelSettings()));
    });
  };
  imageView->OnMouseMove = [this](QMouseEvent& e) {
    Safely([&] {
      if (animations) animations->ImgDrawMouseMove();
      const QPoint pos = e.position().toPoint();
      ApplyEdit(editor->MouseMove(ShiftOf(e.modifiers(), e.buttons()), pos.x(), pos.y()));
    });
  };
  imageView->OnMouseUp = [this](QMouseEvent& e) {
    Safely([&] {
      const auto b = ButtonOf(e.button());
      if (!b) return;
      const QPoint pos = e.position().toPoint();
      ApplyEdit(editor->MouseUp(*b, ShiftOf(e.modifiers(), e.buttons()), pos.x(), pos.y()));
    });
  };
  imageView->OnMouseLeave = [this] { Safely([&] { ApplyEdit(editor->MouseLeave()); }); };
  imageView->setCursor(CursorOf(EditCursor::Pencil));
  viewScrollArea->setWidget(viewPanel);
}

void MainWindow::CreateSidePanel() {
  sidePanel = new QWidget(this);
  // The width the panel is made for at least, wider when the fonts need it.
  sidePanel->setMinimumWidth(138);
  sidePanel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* col = new QVBoxLayout(sidePanel);
  col->setContentsMargins(2, 2, 2, 2);
  col->setSpacing(2);
  auto section = [&](const QString& title) { col->addWidget(SectionTitle(title, sidePanel)); };

  // Shape Color: the eye icon and the swatch beside the palette picture.
  section("Shape Color");
  colorPanel = new QWidget(sidePanel);
  auto* colorRow = new QHBoxLayout(colorPanel);
  colorRow->setContentsMargins(2, 2, 2, 2);
  colorRow->setSpacing(4);
  auto* swatches = new QVBoxLayout;
  swatches->setSpacing(4);
  showShapesIcon = new ClickLabel(colorPanel);
  showShapesIcon->setFixedSize(16, 16);
  showShapesIcon->setPixmap(ImageListPixmap(kIconShapesShown));
  SetHint(showShapesIcon, "Show/Hide shapes");
  showShapesIcon->setCursor(CursorOf(EditCursor::Hand));
  showShapesIcon->OnClick = [this] { Safely([&] { ApplyEdit(editor->ToggleShapes()); }); };
  colorSwatch = new ColorSwatch(colorPanel);
  colorSwatch->setFixedSize(16, 16);
  colorSwatch->SetColor(kStartShapeColor);
  colorSwatch->setCursor(CursorOf(EditCursor::Hand));
  colorSwatch->OnMouseDown = [this] {
    Safely([&] {
      const auto c = prompts_->ChooseColor(colorSwatch->Color());
      if (c && *c != colorSwatch->Color()) {
        colorSwatch->SetColor(*c);
        ApplySetting(ShapeSetting::Color);
      }
    });
  };
  swatches->addWidget(showShapesIcon);
  swatches->addWidget(colorSwatch);
  swatches->addStretch();
  colorPicture = new PalettePicture(colorPanel);
  colorPicture->setFixedSize(106, 62);
  colorPicture->SetPicture(DecodedResourcePictures().ColorPanel);
  colorPicture->setCursor(CursorOf(EditCursor::EyeDrop));
  colorPicture->OnPreview = [this](TColor c) { colorSwatch->SetColor(c); };
  colorPicture->OnPick = [this](TColor c) {
    Safely([&] {
      colorSwatch->SetColor(c);
      ApplySetting(ShapeSetting::Color);
    });
  };
  colorRow->addLayout(swatches);
  colorRow->addWidget(colorPicture);
  col->addWidget(colorPanel);

  section("Rendering Diffusion");
  auto* diffRow = new QHBoxLayout;
  diffusingCheck = new QCheckBox("Diffusing", sidePanel);
  diffusingDepthField = new SpinEdit(sidePanel);
  diffusingDepthField->setRange(1, kMaxDiffusingLen);
  diffusingDepthField->setValue(1);
  diffusingDepthField->lineEdit()->setMaxLength(2);
  diffusingDepthField->setEnabled(false);
  SetHint(diffusingDepthField, "Diffusing Depth");
  diffRow->addWidget(diffusingCheck);
  diffRow->addWidget(diffusingDepthField);
  col->addLayout(diffRow);
  connect(diffusingCheck, &QCheckBox::clicked, this, [this](bool checked) {
    Safely([&] {
      diffusingDepthField->setEnabled(checked);
      ApplySetting(ShapeSetting::Diffusing);
    });
  });
  connect(diffusingDepthField, &QSpinBox::valueChanged, this,
          [this](int) { Safely([&] { ApplySetting(ShapeSetting::DiffusingLen); }); });

  section("Brush Style");
  brushStyleList = new QComboBox(sidePanel);
  SetHint(brushStyleList, "Brush Categories");
  for (int c = 0; c < engine::CategoryCount(); ++c)
    brushStyleList->addItem(QPixmap::fromImage(engine::BrushIconImage(engine::CategoryIconBrush(c))),
                            engine::CategoryCaption(c));
  brushStyleList->setCurrentIndex(0);
  brushList = new QComboBox(sidePanel);
  SetHint(brushList, "Brushes");
  col->addWidget(brushStyleList);
  col->addWidget(brushList);
  FillBrushList(-1);
  connect(brushStyleList, &QComboBox::activated, this, [this](int) {
    Safely([&] {
      FillBrushList(-1);
      ApplySetting(ShapeSetting::Brush);
    });
  });
  connect(brushList, &QComboBox::activated, this, [this](int) { Safely([&] { ApplySetting(ShapeSetting::Brush); }); });

  section("Blending Mode");
  blendingModeList = new QComboBox(sidePanel);
  SetHint(blendingModeList, "Blending Modes");
  Safely([&] { blendingModeList->addItems(engine::BlendModeCaptions()); });
  blendingModeList->setCurrentIndex(0);
  col->addWidget(blendingModeList);
  connect(blendingModeList, &QComboBox::activated, this,
          [this](int) { Safely([&] { ApplySetting(ShapeSetting::BlendingMode); }); });

  section("Brush Opacity");
  brushOpacitySlider = new QSlider(Qt::Horizontal, sidePanel);
  brushOpacitySlider->setRange(0, 255);
  brushOpacitySlider->setValue(255);
  brushOpacitySlider->setCursor(CursorOf(EditCursor::Hand));
  col->addWidget(brushOpacitySlider);
  connect(brushOpacitySlider, &QSlider::valueChanged, this,
          [this](int) { Safely([&] { ApplySetting(ShapeSetting::BrushOpacity); }); });

  section("Canvas Style");
  canvasStyleList = new QComboBox(sidePanel);
  canvasStyleList->setMaxVisibleItems(8);
  // Some styles open the whole list around the current item and ignore the
  // row limit; the plain drop-down list keeps it to eight rows and scrolls.
  canvasStyleList->setStyle(new DropDownListStyle(canvasStyleList));
  SetHint(canvasStyleList, "Canvas Styles");
  FillCanvasStyleList();
  col->addWidget(canvasStyleList);
  connect(canvasStyleList, &QComboBox::activated, this, [this](int i) { Safely([&] { CanvasStyleListChange(i); }); });

  // The lists take the panel's width instead of widening it to their
  // longest entry; what does not fit shows when the list opens.
  for (QComboBox* list : {brushStyleList, brushList, blendingModeList, canvasStyleList}) {
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(6);
  }

  section("Canvas Opacity");
  canvasOpacitySlider = new QSlider(Qt::Horizontal, sidePanel);
  canvasOpacitySlider->setRange(0, 255);
  canvasOpacitySlider->setValue(255);
  SetHint(canvasOpacitySlider, "Canvas Opacity");
  canvasOpacitySlider->setCursor(CursorOf(EditCursor::Hand));
  col->addWidget(canvasOpacitySlider);
  connect(canvasOpacitySlider, &QSlider::valueChanged, this,
          [this](int v) { Safely([&] { CanvasOpacitySliderChange(v); }); });

  section("Animation");
  auto* aniRow = new QHBoxLayout;
  auto speed = [&](CommandId id) {
    auto* b = new QToolButton(sidePanel);
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

void MainWindow::FillCanvasStyleList() {
  const QSignalBlocker block(canvasStyleList);
  canvasStyleList->clear();
  const auto& captions = CanvasStyleCaptions();
  // The textures' icons come shrunk with the program (tools/iconsgen): the
  // textures themselves are decoded only when one is chosen.
  const QImage& textureIcons = DecodedResourcePictures().TextureIcons;
  const int textureCount = int(captions.size() - csFirstTexture);
  const bool haveTextureIcons = textureIcons.width() == 16 * textureCount && textureIcons.height() == 16;
  if (!haveTextureIcons)
    std::fprintf(stderr, "plumavo: the texture icons are %dx%d, not %dx16; the list shows grey squares\n",
                 textureIcons.width(), textureIcons.height(), 16 * textureCount);
  QImage placeholder(16, 16, QImage::Format_ARGB32);
  placeholder.fill(QColor(160, 160, 160));
  for (size_t i = 0; i < captions.size(); ++i) {
    QImage icon = placeholder;
    if (i == csGrid)
      icon = WrapCopy(GridTile()).scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    else if (i >= csFirstTexture && haveTextureIcons)
      icon = textureIcons.copy(16 * int(i - csFirstTexture), 0, 16, 16);
    canvasStyleList->addItem(QPixmap::fromImage(icon), captions[i]);
  }
}

void MainWindow::UpdateSolidSwatch(TColor c) {
  Safely([&] { canvasStyleList->setItemIcon(csSolid, QPixmap::fromImage(WrapCopy(MakeSolidSwatch(c)))); });
}

void MainWindow::UpdateGradientSwatch() {
  Safely([&] {
    canvasStyleList->setItemIcon(csGradient, QPixmap::fromImage(WrapCopy(MakeGradientSwatch(canvas.GradientBitmap))));
  });
}

// ---------------------------------------------------------------------------
// Start-up and shutdown

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!shown_) {
    shown_ = true;
    Safely([&] { FormShow(); });
  }
}

void MainWindow::FormShow() {
  imageView->raise();
  viewShadow->lower();
  if (QWidget* f = focusWidget()) f->clearFocus();
  uiTimer->start();
  CentreView();
  // Recent projects, preferences and a project named on the command line.
  if (files) files->FormShow();
}

void MainWindow::KeepArrowKeysForTheShapes() {
  // The window keeps no focused control, so the arrow keys always move the
  // selected shape. Buttons, lists, sliders and the scroll area never take
  // the focus (Qt would otherwise hand it to the first toolbar button each
  // time the window is activated, and Space would open the New dialog). The
  // depth field is the one text a user types into; it takes the focus only
  // when clicked and gives it up when the mouse moves over the picture.
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w->window() != this) continue;  // dialogs keep their own focus chain
    const bool depthField = w == diffusingDepthField || diffusingDepthField->isAncestorOf(w);
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

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (!DroppedProject(e->mimeData()).isEmpty() && !Recording()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
  const QString path = DroppedProject(e->mimeData());
  if (path.isEmpty() || files == nullptr) return;
  e->acceptProposedAction();
  // Opened once the drop is over: the save question must not keep the file
  // manager waiting for the drag to end.
  QTimer::singleShot(0, this, [this, path] {
    if (!Recording() && files != nullptr) Safely([&] { files->OpenDroppedProject(path); });
  });
}

bool MainWindow::SaveBeforeClosing() { return files == nullptr || files->QuerySaveChanges(); }

void MainWindow::closeEvent(QCloseEvent* e) {
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

bool MainWindow::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    HintHandler(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

void MainWindow::HintHandler(const QString& hint) { statusPanels->SetText(0, " " + hint); }

void MainWindow::KeyPreview(QKeyEvent* e, bool down) {
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

void MainWindow::FlushArrowRelease() {
  if (pendingArrow_ == 0) return;
  arrowRelease_->stop();
  const int32_t key = std::exchange(pendingArrow_, 0);
  QWidget* focus = QApplication::focusWidget();
  const bool controlHasFocus = focus != nullptr && focus->window() == this;
  ApplyEdit(editor->KeyUp(key, pendingArrowShift_, controlHasFocus));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
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
  if ((watched == viewScrollArea->viewport() || watched == viewPanel) && e->type() == QEvent::MouseMove) {
    Safely([&] {
      if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
      statusPanels->SetText(0, QString());
      ApplyEdit(editor->ScrollAreaMouseMove());
    });
    return false;
  }
  if (watched == diffusingDepthField) {
    if (e->type() == QEvent::KeyPress) {
      // Only digits and backspace may be typed; arrows and the like still step.
      auto* k = static_cast<QKeyEvent*>(e);
      const QString t = k->text();
      if (!t.isEmpty() && t[0].isPrint() && !(t[0] >= '0' && t[0] <= '9')) return true;
    } else if (e->type() == QEvent::KeyRelease) {
      Safely([&] { DiffusingDepthFieldKeyUp(); });
    } else if (e->type() == QEvent::FocusOut) {
      Safely([&] {
        const QSignalBlocker block(diffusingDepthField);
        diffusingDepthField->setValue(diffusingDepthField->value());
        diffusingDepthField->lineEdit()->setText(QString::number(diffusingDepthField->value()));
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

void MainWindow::DiffusingDepthFieldKeyUp() {
  // The field is never left empty or out of range: its text is read as a
  // number (0 when it is none) and limited to 1..20.
  bool ok = false;
  const int typed = diffusingDepthField->lineEdit()->text().toInt(&ok);
  const int v = std::clamp(ok ? typed : 0, 1, kMaxDiffusingLen);
  if (!ok || typed != v) {
    diffusingDepthField->lineEdit()->setText(QString::number(v));
    diffusingDepthField->setValue(v);
  }
}

// ---------------------------------------------------------------------------
// Interface state

bool MainWindow::Recording() const { return aniTimer->isActive(); }

void MainWindow::UpdateInterfaceState() {
  const int32_t s = project.Selected();
  statusPanels->SetText(2, QString::fromStdString(ShapeSummaryText(project)));
  statusPanels->SetProjective(project.Mode == ShapeMode::Projective);

  const bool sub = s >= 1;
  for (QWidget* w : std::initializer_list<QWidget*>{colorPicture, colorSwatch, diffusingCheck, brushStyleList,
                                                    brushList, blendingModeList, brushOpacitySlider})
    w->setEnabled(sub);
  diffusingDepthField->setEnabled(sub && diffusingCheck->isChecked());

  CommandState state;
  state.Recording = Recording();
  state.AnyVertex = project.VertexCount >= 1;
  state.Saved = project.ProjectSaved;
  state.HasBackground = !project.BackgroundImage.Empty();
  state.Edit = editor->EditMenu();
  state.ShapesShown = editor->ShapesVisible();
  state.ToolbarShown = !ToolBar->isHidden();
  state.StatusBarShown = !statusPanels->isHidden();
  state.SidePanelShown = !sidePanel->isHidden();
  commands->Refresh(state);
  recentMenu->menuAction()->setEnabled(!recentMenu->isEmpty());
}

void MainWindow::TakeOutputSnapshot() { OutputImage.Assign(CanvasLayer); }

void MainWindow::uiTimerTimer() { ApplyEdit(editor->TimerTick()); }

void MainWindow::SyncShapesVisible() {
  const bool shown = editor->ShapesVisible();
  Action(CommandId::ViewShapes)->setChecked(shown);
  showShapesIcon->setPixmap(ImageListPixmap(shown ? kIconShapesShown : kIconShapesHidden));
  imageView->SetOverlayVisible(shown);
}

void MainWindow::ApplyEdit(const EditResult& r) {
  if (r.ShapesVisibilityChanged) SyncShapesVisible();
  if (r.ClearFocus)
    if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
  if (r.ShowShapeSettings) ShowShapeSettingsInPanel();
  if (r.UpdateInterface) UpdateInterfaceState();
  if (r.UndoRedoChanged) {
    Action(CommandId::EditUndo)->setEnabled(editor->UndoEnabled());
    Action(CommandId::EditRedo)->setEnabled(editor->RedoEnabled());
  }
  if (r.Status0) statusPanels->SetText(0, QString::fromStdString(*r.Status0));
  if (r.Status1) statusPanels->SetText(1, QString::fromStdString(*r.Status1));
  if (r.Cursor) imageView->setCursor(CursorOf(*r.Cursor));
  if (r.StopRecording) Action(CommandId::AnimationStop)->trigger();
  if (r.Render) {
    // Let the overlay show the edit before a render that keeps the picture
    // waiting past a screen frame; a quicker one is painted with it, once.
    if (r.ProcessMessageFirst && lastRenderTime_ > kFrameTime) imageView->repaint();
    RenderImage();
  }
  if (r.RepaintView) imageView->update();
}

void MainWindow::RenderImage() {
  const auto start = std::chrono::steady_clock::now();
  Safely([&] { renderer.RenderImage(project, canvas.CanvasPicture, CanvasLayer); });
  lastRenderTime_ = std::chrono::steady_clock::now() - start;
  imageView->LayerChanged(renderer.LeftLayerOpaque() ? std::optional<bool>(true) : std::nullopt);
  imageView->update();
}

void MainWindow::ComposeCanvas() {
  Safely([&] { canvas.ComposeCanvas(project, CanvasLayer, &ViewBitmap); });
  imageView->LayerChanged();
  imageView->update();
}

// ---------------------------------------------------------------------------
// Project size and view

void MainWindow::ResetProject(int32_t width, int32_t height, bool clearDocument, ShapeMode mode) {
  plumavo::ResetProject(project, width, height, clearDocument, mode);
  renderer.StartDocument();
  if (clearDocument) setWindowTitle(ProjectCaption(project.ProjectFileName));
  // The view returns to 100 % with the right panel shown.
  imageView->SetScale(1.0);
  editor->SetScale(1.0);
  zoomActions[2]->setChecked(true);
  zoomPopupActions[2]->setChecked(true);
  Action(CommandId::ViewSidePanel)->setChecked(true);
  sidePanel->setVisible(true);
  SetProjectSize(width, height);
  CentreView();
  // Canvas: icons, gradient picture, texture, list selection, opacity.
  UpdateSolidSwatch(project.CanvasColor);
  TTextureLoadResult texture;
  Safely([&] { texture = canvas.PrepareForProject(project); });
  UpdateGradientSwatch();
  {
    const QSignalBlocker block(canvasStyleList);
    canvasStyleList->setCurrentIndex(project.CanvasStyle);
  }
  canvasOpacitySlider->setValue(255);
  CanvasOpacitySliderChange(255);
  ResetSidePanel();
  ApplyEdit(editor->OnProjectReset());
  // The project's texture could not be read: the canvas is plain and the
  // user is told why.
  if (!texture.Ok() && !texture.Message.empty()) prompts_->Error(QString::fromStdString(texture.Message));
  // Arrow keys must reach the shapes of the new project, not a control left
  // focused by the previous one.
  if (QWidget* f = QApplication::focusWidget(); f != nullptr && f->window() == this) f->clearFocus();
}

void MainWindow::ResetSidePanel() {
  // Without the change handlers: nothing is applied to a shape here, the
  // panel only shows what the next new Sub-Shape will get.
  const QSignalBlocker b1(diffusingCheck), b2(diffusingDepthField), b3(brushOpacitySlider), b4(brushStyleList),
      b5(blendingModeList);
  colorSwatch->SetColor(kStartShapeColor);
  diffusingCheck->setChecked(false);
  diffusingDepthField->setValue(1);
  brushStyleList->setCurrentIndex(0);
  FillBrushList(-1);
  blendingModeList->setCurrentIndex(0);
  brushOpacitySlider->setValue(255);
}

void MainWindow::SetProjectSize(int32_t width, int32_t height) {
  project.Width = width;
  project.Height = height;
  ViewBitmap.SetSize(width, height);
  CanvasLayer.SetSize(width, height);
  CanvasLayer.Clear(0x00000000u);
  imageView->LayerChanged(false);
  LayoutView();
}

void MainWindow::LayoutView() {
  const QSize s = imageView->ScaledSize();
  imageView->setGeometry(1, 1, s.width(), s.height());
  viewFrame->setGeometry(0, 0, s.width() + 2, s.height() + 2);
  viewShadow->setGeometry(5, 5, s.width() + 2, s.height() + 2);
  viewPanel->resize(s.width() + 7, s.height() + 7);
  imageView->update();
}

void MainWindow::CentreView() {
  const QSize client = viewScrollArea->viewport()->size();
  const QSize panel = viewPanel->size();
  const int x = panel.width() < client.width() ? (client.width() - panel.width()) / 2 : 0;
  const int y = panel.height() < client.height() ? (client.height() - panel.height()) / 2 : 0;
  viewPanel->move(x - viewScrollArea->horizontalScrollBar()->value(), y - viewScrollArea->verticalScrollBar()->value());
}

void MainWindow::ZoomTo(int index) {
  if (index < 0 || index >= 5) return;
  zoomActions[size_t(index)]->setChecked(true);
  zoomPopupActions[size_t(index)]->setChecked(true);
  bool ok = false;
  int percent = zoomActions[size_t(index)]->text().remove('%').toInt(&ok);
  if (!ok) percent = 100;
  const double scale = percent / 100.0;
  if (scale != imageView->Scale()) {
    imageView->SetScale(scale);
    editor->SetScale(scale);
    LayoutView();
    CentreView();
  }
}

void MainWindow::ZoomButtonClick() {
  if (zoomPopupActions[2]->isChecked())
    zoomPopup->popup(zoomButton->mapToGlobal(QPoint(0, zoomButton->height())));
  else
    zoomPopupActions[2]->trigger();
}

// ---------------------------------------------------------------------------
// Side panel

ShapeSettings MainWindow::PanelSettings() const {
  ShapeSettings s;
  s.Color = colorSwatch->Color();
  s.Diffusing = diffusingCheck->isChecked();
  s.DiffusingLen = diffusingDepthField->value();
  s.Brush = brushList->currentIndex() >= 0 ? brushList->currentData().toInt() : 0;
  s.BlendingMode = std::max(blendingModeList->currentIndex(), 0);
  s.BrushOpacity = brushOpacitySlider->value();
  return s;
}

void MainWindow::ApplySetting(ShapeSetting kind) {
  editor->TakeUndoSnapshot();
  const bool applied = plumavo::ApplyShapeSetting(project, kind, PanelSettings());
  if (!applied) return;
  editor->TakeRedoSnapshot();
  UpdateInterfaceState();  // Undo and Redo take their states from the editor there
  RenderImage();
}

void MainWindow::FillBrushList(int brush) {
  const QSignalBlocker block(brushList);
  brushList->setEnabled(false);
  const int category = brushStyleList->currentIndex();
  int row = 0, selected = -1;
  for (int b : engine::BrushesOf(category)) {
    // A row that shows this brush already keeps its caption and icon (a
    // project reset refills the list the window has just filled).
    if (row < brushList->count()) {
      if (brushList->itemData(row) != QVariant(b)) {
        brushList->setItemText(row, engine::BrushCaption(b));
        brushList->setItemIcon(row, QPixmap::fromImage(engine::BrushIconImage(b)));
        brushList->setItemData(row, b);
      }
    } else {
      brushList->addItem(QPixmap::fromImage(engine::BrushIconImage(b)), engine::BrushCaption(b), b);
    }
    if (b == brush) selected = row;
    ++row;
  }
  while (brushList->count() > row) brushList->removeItem(brushList->count() - 1);
  if (brush == -1 || selected < 0) selected = brushList->count() > 0 ? 0 : -1;
  brushList->setCurrentIndex(selected);
  brushList->setEnabled(project.Selected() >= 1);
}

void MainWindow::ShowShapeSettingsInPanel() {
  const std::optional<ShapeSettings> s = ShowShapeSettings(project);
  if (!s) return;  // the Main-Shape, nothing or all: the controls stay as they are
  const QSignalBlocker b1(diffusingCheck), b2(diffusingDepthField), b3(brushOpacitySlider), b4(brushStyleList),
      b5(blendingModeList);
  diffusingCheck->setChecked(s->Diffusing);
  diffusingDepthField->setValue(std::clamp(s->DiffusingLen, 1, kMaxDiffusingLen));
  colorSwatch->SetColor(s->Color);
  const int category = engine::CategoryOf(s->Brush);
  brushStyleList->setCurrentIndex(category >= 0 ? category : 0);
  FillBrushList(s->Brush);
  blendingModeList->setCurrentIndex(
      s->BlendingMode >= 0 && s->BlendingMode < blendingModeList->count() ? s->BlendingMode : 0);
  brushOpacitySlider->setValue(s->BrushOpacity);
}

void MainWindow::CanvasOpacitySliderChange(int value) {
  CanvasLayer.MasterAlpha = uint8_t(std::clamp(value, 0, 255));
  imageView->update();
}

void MainWindow::CanvasStyleListChange(int index) {
  if (index < 0) return;
  TStyleChoice choice;
  if (index == csSolid) {
    choice.Color = prompts_->ChooseColor(project.CanvasColor);
  } else if (index == csGradient) {
    // Made on first use; the window comes up without it.
    if (gradientDialog == nullptr)
      gradientDialog = new GradientDialog([this]() -> Prompter& { return *prompts_; }, this);
    gradientDialog->Load(GradientSettingsOf(project));
    if (prompts_->RunDialog(*gradientDialog)) choice.Gradient = gradientDialog->Settings();
  }
  TStyleChangeResult r;
  {
    const BusyCursor busy;  // a texture is decoded in a child process
    r = canvas.ChangeCanvasStyle(project, uint16_t(index), choice, CanvasLayer, &ViewBitmap);
  }
  imageView->LayerChanged();
  {
    const QSignalBlocker block(canvasStyleList);
    canvasStyleList->setCurrentIndex(r.ListIndex);
  }
  if (r.Texture && !r.Texture->Ok() && !r.Texture->Message.empty())
    prompts_->Error(QString::fromStdString(r.Texture->Message));
  if (!r.Applied) return;
  if (r.SolidSwatchChanged) UpdateSolidSwatch(project.CanvasColor);
  if (r.GradientSwatchChanged) UpdateGradientSwatch();
  UpdateInterfaceState();
  imageView->update();
  RenderImage();
}

}  // namespace plumavo
