// The "Gradient Editor": two colours, a style, a rotation and a shift, with a
// live preview painted by the canvas's gradient painter.
#pragma once

#include <functional>

#include <QDialog>

#include "canvas/canvas_style.h"
#include "canvas/gradient.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace plumavo {

class ColorSwatch;
class Prompter;

// The preview control: the painter's pattern stretched over the client area.
class GradientPreview : public QWidget {
  Q_OBJECT
 public:
  explicit GradientPreview(QWidget* parent = nullptr);
  TGradient& Gradient() { return gradient_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  TGradient gradient_;
};

class GradientDialog : public QDialog {
  Q_OBJECT
 public:
  explicit GradientDialog(Prompter& prompts, QWidget* parent = nullptr);
  // The window may replace its prompts; the dialog asks for the current ones
  // each time it needs them.
  GradientDialog(std::function<Prompter&()> prompts, QWidget* parent = nullptr);

  // Loads the controls (the style index is the editor's list index) and
  // refreshes the preview; Settings reads them back.
  void Load(const TGradientSettings& s);
  TGradientSettings Settings() const;

  void RefreshPreview();
  void DefaultButtonClick();

  QGroupBox* colorsGroup;
  QLabel* Label1;
  ColorSwatch* colorBeginSwatch;
  QLabel* Label2;
  ColorSwatch* colorEndSwatch;
  QGroupBox* previewGroup;
  GradientPreview* Gradient;
  QGroupBox* optionsGroup;
  QLabel* Label3;
  QComboBox* gradientStyleList;
  QLabel* Label4;
  QSlider* rotationSlider;
  QLabel* rotationLabel;
  QLabel* Label5;
  QSlider* shiftSlider;
  QLabel* shiftLabel;
  QPushButton* okButton;
  QPushButton* cancelButton;
  QPushButton* defaultButton;

 private:
  void PickColor(ColorSwatch* swatch);
  std::function<Prompter&()> prompts_;
};

}  // namespace plumavo
