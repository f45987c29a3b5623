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

class ColorSwatch;
class NumberEdit;
class PalettePicture;
class Prompter;

class CanvasSizeDialog : public QDialog {
  Q_OBJECT
 public:
  // prompts gives the window's current prompts (they can be replaced).
  explicit CanvasSizeDialog(std::function<Prompter&()> prompts, QWidget* parent = nullptr);

  // Loads the controls from the project; backgroundSize is empty when the
  // project has no background image (the check box is then disabled).
  void Load(int width, int height, TColor backColor, QSize backgroundSize);
  int WidthValue() const;
  int HeightValue() const;
  TColor BackColor() const;
  void SetCursors(const QCursor& eyedrop, const QCursor& hand);

  void OkButtonClick();
  void ResizeCheckClick(bool checked);
  void BackColorSwatchMouseDown();

  QGroupBox* sizeGroup;
  QLabel *Label1, *Label2, *Label3, *Label4;
  NumberEdit* widthField;
  NumberEdit* heightField;
  QCheckBox* resizeCheck;
  QGroupBox* backColorGroup;
  ColorSwatch* backColorSwatch;
  QWidget* palettePanel;
  PalettePicture* backColorPicture;
  QPushButton* okButton;
  QPushButton* cancelButton;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  std::function<Prompter&()> prompts_;
  QSize backgroundSize_;
};

}  // namespace plumavo
