// "Size and Color": the project's pixel size and its background colour, with
// a colour swatch, a palette to pick from and "Resize to Fit the Background
// Image".
#pragma once

#include <functional>

#include <QDialog>
#include <QSize>

#include "surface/bitmap32.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace plumavo {

class TColorSwatch;
class TNumberEdit;
class TPalettePicture;
class TPrompts;

class TfrmCanvasSize : public QDialog {
  Q_OBJECT
 public:
  // prompts gives the window's current prompts (they can be replaced).
  explicit TfrmCanvasSize(std::function<TPrompts&()> prompts, QWidget* parent = nullptr);

  // Loads the controls from the project; backgroundSize is empty when the
  // project has no background image (the check box is then disabled).
  void Load(int width, int height, TColor backColor, QSize backgroundSize);
  int WidthValue() const;
  int HeightValue() const;
  TColor BackColor() const;
  void SetCursors(const QCursor& eyedrop, const QCursor& hand);

  void btnOkClick();
  void cbResizeClick(bool checked);
  void shpBackColorMouseDown();

  QGroupBox* gbSize;
  QLabel *Label1, *Label2, *Label3, *Label4;
  TNumberEdit* seWidth;
  TNumberEdit* seHeight;
  QCheckBox* cbResize;
  QGroupBox* gbBackColor;
  TColorSwatch* shpBackColor;
  QWidget* pnlPallette;
  TPalettePicture* imgBackColor;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  std::function<TPrompts&()> prompts_;
  QSize backgroundSize_;
};

}  // namespace plumavo
