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

class TColorSwatch;
class TPrompts;

// The preview control: the painter's pattern stretched over the client area.
class TGradientPreview : public QWidget {
  Q_OBJECT
 public:
  explicit TGradientPreview(QWidget* parent = nullptr);
  TGradient& Gradient() { return gradient_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  TGradient gradient_;
};

class TfrmGradient : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmGradient(TPrompts& prompts, QWidget* parent = nullptr);
  // The window may replace its prompts; the dialog asks for the current ones
  // each time it needs them.
  TfrmGradient(std::function<TPrompts&()> prompts, QWidget* parent = nullptr);

  // Loads the controls (the style index is the editor's list index) and
  // refreshes the preview; Settings reads them back.
  void Load(const TGradientSettings& s);
  TGradientSettings Settings() const;

  void RefreshPreview();
  void btnDefaultClick();

  QGroupBox* gbColors;
  QLabel* Label1;
  TColorSwatch* shpColorBegin;
  QLabel* Label2;
  TColorSwatch* shpColorEnd;
  QGroupBox* gbPreview;
  TGradientPreview* Gradient;
  QGroupBox* gbOptions;
  QLabel* Label3;
  QComboBox* cbGradientStyle;
  QLabel* Label4;
  QSlider* gbRotation;
  QLabel* lblRotation;
  QLabel* Label5;
  QSlider* gbShift;
  QLabel* lblShift;
  QPushButton* btnOk;
  QPushButton* btnCancel;
  QPushButton* btnDefault;

 private:
  void PickColor(TColorSwatch* swatch);
  std::function<TPrompts&()> prompts_;
};

}  // namespace plumavo
