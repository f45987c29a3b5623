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

class NumberEdit;
class Prompter;

class NewProjectDialog : public QDialog {
  Q_OBJECT
 public:
  // prompts gives the window's current prompts (they can be replaced).
  explicit NewProjectDialog(std::function<Prompter&()> prompts, QWidget* parent = nullptr);

  void Preset(int width, int height);
  ShapeMode Mode() const;
  int WidthValue() const;
  int HeightValue() const;

  void FormShow();
  void OkButtonClick();

  QGroupBox* styleGroup;
  QRadioButton* affineRadio;
  QRadioButton* projectiveRadio;
  QGroupBox* sizeGroup;
  QLabel *Label1, *Label2, *Label3, *Label4;
  NumberEdit* widthField;
  NumberEdit* heightField;
  QPushButton* okButton;
  QPushButton* cancelButton;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  std::function<Prompter&()> prompts_;
};

}  // namespace plumavo
