// "Video Compression": the encoder of a new animation, chosen from those the
// video library here can put into an AVI file. Quality and key frames come
// from the preferences, so the encoder is the only choice.
#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "media/avi_recorder.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace plumavo {

class VideoCompressionDialog : public QDialog {
  Q_OBJECT
 public:
  // codecs: what the list offers, in order; the first entry is preselected.
  explicit VideoCompressionDialog(std::vector<TAVICodecInfo> codecs, QWidget* parent = nullptr);

  // The encoder name of the selected entry (empty when the list is empty).
  std::string Codec() const;
  // Selects the entry of an encoder name; false when it is not offered.
  bool SelectCodec(const std::string& name);
  // The compressor quality in percent (1..100). The control is disabled, with
  // a note saying why, for encoders that work at a fixed quality.
  int Quality() const;
  void SetQuality(int percent);

  QComboBox* compressorList;
  QSlider* qualitySlider;
  QLabel* qualityLabel;
  QLabel* fixedQualityLabel;
  QPushButton* okButton;
  QPushButton* cancelButton;

 private:
  void ShowQualityState();
  std::vector<TAVICodecInfo> codecs_;
};

}  // namespace plumavo
