// "Background Image": where an imported background image goes. Created once
// and reused, so the last choice stays selected for the next import.
#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace plumavo {

class BackgroundAlignDialog : public QDialog {
  Q_OBJECT
 public:
  enum TPlacement { plCenter = 0, plResizeCanvas = 1 };

  explicit BackgroundAlignDialog(QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);

  QGroupBox* rgOptions;
  QRadioButton* centerRadio;
  QRadioButton* resizeRadio;
  QPushButton* okButton;
  QPushButton* cancelButton;
};

}  // namespace plumavo
