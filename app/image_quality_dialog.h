// "Image Compression": the JPEG quality of an export, 90 every time it opens.
#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;
class QSlider;

namespace plumavo {

class TfrmImageQuality : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kInitialQuality = 90;

  explicit TfrmImageQuality(QWidget* parent = nullptr);
  // Run before every showing: the slider back at 90, its caption, the focus.
  void FormShow();
  int Quality() const;

  QGroupBox* gbImageQuality;
  QSlider* ImageQuality;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 private:
  void ImageQualityChange();
};

}  // namespace plumavo
