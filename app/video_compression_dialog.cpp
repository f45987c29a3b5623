#include "app/video_compression_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace plumavo {

TfrmVideoCompression::TfrmVideoCompression(std::vector<TAVICodecInfo> codecs, QWidget* parent)
    : QDialog(parent), codecs_(std::move(codecs)) {
  setWindowTitle("Video Compression");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* label = new QLabel("&Compressor:", this);
  cbCompressor = new QComboBox(this);
  cbCompressor->setMinimumWidth(200);
  for (const TAVICodecInfo& c : codecs_) cbCompressor->addItem(QString::fromStdString(c.Caption));
  label->setBuddy(cbCompressor);

  btnOk = new QPushButton("OK", this);
  btnOk->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(cbCompressor, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* col = new QVBoxLayout(this);
  col->addLayout(row);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

std::string TfrmVideoCompression::Codec() const {
  const int i = cbCompressor->currentIndex();
  return i >= 0 && size_t(i) < codecs_.size() ? codecs_[size_t(i)].Name : std::string();
}

bool TfrmVideoCompression::SelectCodec(const std::string& name) {
  for (size_t i = 0; i < codecs_.size(); ++i)
    if (codecs_[i].Name == name) {
      cbCompressor->setCurrentIndex(int(i));
      return true;
    }
  return false;
}

}  // namespace plumavo
