// "Preferences": the rendering options (loops, real-time rendering,
// antialiasing) and the animation options (quality, frame rate). Every
// showing starts from the stored values, so cancelled edits never survive;
// OK stores all five values.
#pragma once

#include <functional>

#include <QDialog>

#include "app/preferences.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace plumavo {

class TNumberEdit;
class TPrompts;
class TSettingsStore;

class TfrmPreferencesP : public QDialog {
  Q_OBJECT
 public:
  // store and prompts give the window's current ones (both can be replaced);
  // apply receives the values the program is to use, after every load and
  // every successful store.
  TfrmPreferencesP(std::function<TSettingsStore&()> store, std::function<TPrompts&()> prompts,
                   std::function<void(const StoredPreferences&)> apply, QWidget* parent = nullptr);

  // Reads the five values, hands them to the program and shows them.
  void LoadPreferences();
  // Writes the five values in order; the program takes them only once every
  // write has succeeded.
  void StorePreferences();
  // The controls as values, and the reverse (limited to the controls' ranges).
  StoredPreferences Values() const;
  void SetValues(const StoredPreferences& p);

  void FormShow();
  void btnOkClick();
  void btnDefaultClick();
  void AnimQualityChange(int position);

  QGroupBox* gbRendering;
  QLabel* lblTimes;
  TNumberEdit* seTimes;
  QCheckBox* cbRendering;
  QCheckBox* cbAntialiased;
  QGroupBox* gbAnimation;
  QLabel* lblQualityCaption;
  QSlider* AnimQuality;
  QLabel* lblQuality;
  QLabel* lblRate;
  TNumberEdit* seRate;
  QLabel* lblRateUnit;
  QPushButton* btnDefault;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 private:
  std::function<TSettingsStore&()> store_;
  std::function<TPrompts&()> prompts_;
  std::function<void(const StoredPreferences&)> apply_;
};

}  // namespace plumavo
