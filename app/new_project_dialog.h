// "New Project": the shape mode and the canvas size of a new project. The
// mode radios keep the last choice for the whole run; the size fields are
// preset by the New command every time.
#pragma once

#include <functional>

#include <QDialog>

#include "model/project.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace plumavo {

class TNumberEdit;
class TPrompts;

class TfrmNewImageP : public QDialog {
  Q_OBJECT
 public:
  // prompts gives the window's current prompts (they can be replaced).
  explicit TfrmNewImageP(std::function<TPrompts&()> prompts, QWidget* parent = nullptr);

  void Preset(int width, int height);
  ShapeMode Mode() const;
  int WidthValue() const;
  int HeightValue() const;

  void FormShow();
  void btnOkClick();

  QGroupBox* gbStyle;
  QRadioButton* rbAffine;
  QRadioButton* rbProjective;
  QGroupBox* gbSize;
  QLabel *Label1, *Label2, *Label3, *Label4;
  TNumberEdit* seWidth;
  TNumberEdit* seHeight;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  std::function<TPrompts&()> prompts_;
};

}  // namespace plumavo
