// "Tip of the Day": one tip of the tips file at a time, starting after the
// tip shown last, with Back and Next wrapping round the file.
#pragma once

#include <functional>

#include <QDialog>
#include <QString>

#include "app/settings_store.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace plumavo {

class TipsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TipsDialog(QWidget* parent = nullptr);

  // Where the tip state is kept: the program's settings store, or a test's.
  std::function<SettingsStore&()> Store;
  // The tips file, read afresh for every tip: tips/tips.txt beside the program.
  QString TipsFile;
  static QString DefaultTipsFile();

  // Run before every showing: the stored state, the tip after the last one.
  void FormShow();
  void ShowTip(int index);
  void NextButtonClick();
  void BackButtonClick();
  void CloseButtonClick();
  int Index() const { return index_; }
  int TipCount() const { return count_; }

  QLabel* headingLabel;
  QLabel* tipsLabel;
  QCheckBox* showTipsCheck;
  QPushButton* backButton;
  QPushButton* nextButton;
  QPushButton* closeButton;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  int index_ = 0;
  int count_ = 0;
};

}  // namespace plumavo
