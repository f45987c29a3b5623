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

class NumberEdit;
class Prompter;
class SettingsStore;

class PreferencesDialog : public QDialog {
  Q_OBJECT
 public:
  // store and prompts give the window's current ones (both can be replaced);
  // apply receives the values the program is to use, after every load and
  // every successful store.
  PreferencesDialog(std::function<SettingsStore&()> store, std::function<Prompter&()> prompts,
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
  void OkButtonClick();
  void DefaultButtonClick();
  void AnimQualityChange(int position);

  QGroupBox* renderingGroup;
  QLabel* timesLabel;
  NumberEdit* loopsField;
  QCheckBox* realTimeCheck;
  QCheckBox* antialiasedCheck;
  QGroupBox* animationGroup;
  QLabel* qualityCaptionLabel;
  QSlider* qualitySlider;
  QLabel* qualityLabel;
  QLabel* rateLabel;
  NumberEdit* frameRateField;
  QLabel* rateUnitLabel;
  QPushButton* defaultButton;
  QPushButton* okButton;
  QPushButton* cancelButton;

 private:
  std::function<SettingsStore&()> store_;
  std::function<Prompter&()> prompts_;
  std::function<void(const StoredPreferences&)> apply_;
};

}  // namespace plumavo
