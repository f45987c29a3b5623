// Every message box, file dialog, colour dialog and modal dialog run of the
// main window goes through one Prompter, so the window can be driven from
// tests with scripted answers and no test ever waits on a real modal dialog.
#pragma once

#include <deque>
#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

#include "surface/bitmap32.h"

class QColor;
class QDialog;
class QWidget;

namespace plumavo {

enum class PromptAnswer { Yes, No, Cancel };

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A question box with Yes, No and Cancel ("Save changes to ...?").
  virtual PromptAnswer Question(const QString& text) = 0;
  // An error box with an OK button.
  virtual void Error(const QString& text) = 0;
  // A warning box with an OK button (out-of-range numbers).
  virtual void Warning(const QString& text) = 0;
  // File dialogs: nullopt when cancelled. The save dialog asks before it
  // overwrites an existing file.
  virtual std::optional<QString> OpenFileName(const QString& title, const QString& folder, const QString& filter) = 0;
  virtual std::optional<QString> SaveFileName(const QString& title, const QString& folder, const QString& filter) = 0;
  // The save dialog with a list of filters (image export): FilterIndex
  // (1-based) preselects an entry and comes back as the one chosen; a name
  // typed without an extension gets DefaultExt.
  struct SaveRequest {
    QString Title, Folder, FileName, Filter, DefaultExt;
    int FilterIndex = 1;
  };
  virtual std::optional<QString> SaveFileWithFilter(SaveRequest& request) = 0;
  // The colour dialog (full open, any colour), preset to initial.
  virtual std::optional<TColor> ChooseColor(TColor initial) = 0;
  // Shows one of the program's own dialogs modally; true when it was closed
  // with OK.
  virtual bool RunDialog(QDialog& dialog) = 0;
  // Hands a file to the desktop's handler for its type (a movie player, say);
  // neither checked nor waited for.
  virtual void OpenDocument(const QString& path) = 0;
};

// The real dialogs, parented to the given window.
class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent) : parent_(parent) {}
  PromptAnswer Question(const QString& text) override;
  void Error(const QString& text) override;
  void Warning(const QString& text) override;
  std::optional<QString> OpenFileName(const QString& title, const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileName(const QString& title, const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileWithFilter(SaveRequest& request) override;
  std::optional<TColor> ChooseColor(TColor initial) override;
  bool RunDialog(QDialog& dialog) override;
  void OpenDocument(const QString& path) override;

 private:
  QWidget* parent_;
};

// Answers from queues filled by a test. Every prompt is written to Log
// ("question: ...", "error: ...", "colour", "dialog: <window title>"); a
// prompt whose queue is empty answers Cancel / nothing and is logged with
// "unanswered " in front, so a test sees prompts it did not expect.
class ScriptedPrompter : public Prompter {
 public:
  std::deque<PromptAnswer> Questions;
  // File names for the open and save dialogs; an empty name cancels.
  std::deque<QString> FileNames;
  std::deque<std::optional<TColor>> Colors;
  // Each entry may change the dialog's controls and returns true for OK.
  std::deque<std::function<bool(QDialog&)>> Dialogs;
  // Filter indexes chosen in SaveFileWithFilter; when empty the preselected
  // entry stays. LastSave is the latest request as the program made it, and
  // LastFolder the folder the latest file dialog started in.
  std::deque<int> FilterIndexes;
  std::optional<SaveRequest> LastSave;
  QString LastFolder;
  QStringList Log;

  PromptAnswer Question(const QString& text) override;
  void Error(const QString& text) override;
  void Warning(const QString& text) override;
  std::optional<QString> OpenFileName(const QString& title, const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileName(const QString& title, const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileWithFilter(SaveRequest& request) override;
  std::optional<TColor> ChooseColor(TColor initial) override;
  bool RunDialog(QDialog& dialog) override;
  // Logged as "document: <path>"; nothing is opened.
  void OpenDocument(const QString& path) override;
};

// TColor (0x00BBGGRR) and QColor; system colours are resolved first.
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

}  // namespace plumavo
