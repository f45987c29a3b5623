// "Background Image": where an imported background image goes. Created once
// and reused, so the last choice stays selected for the next import.
#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace plumavo {

class TfrmBackImgAlign : public QDialog {
  Q_OBJECT
 public:
  enum TPlacement { plCenter = 0, plResizeCanvas = 1 };

  explicit TfrmBackImgAlign(QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);

  QGroupBox* rgOptions;
  QRadioButton* rbCenter;
  QRadioButton* rbResize;
  QPushButton* btnOk;
  QPushButton* btnCancel;
};

}  // namespace plumavo
