// "Image Compression": the JPEG quality of an export, 90 every time it opens.
#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;
class QSlider;

namespace plumavo {

class ImageQualityDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kInitialQuality = 90;

  explicit ImageQualityDialog(QWidget* parent = nullptr);
  // Run before every showing: the slider back at 90, its caption, the focus.
  void FormShow();
  int Quality() const;

  QGroupBox* imageQualityGroup;
  QSlider* ImageQuality;
  QPushButton* okButton;
  QPushButton* cancelButton;

 private:
  void ImageQualityChange();
};

}  // namespace plumavo
