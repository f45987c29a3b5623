#include "app/prompts.h"

#include "app/widgets.h"

#include <QColor>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

namespace plumavo {

QColor ToQColor(TColor c) {
  const TColor32 c32 = Color32(c);
  return QColor(RedComponent(c32), GreenComponent(c32), BlueComponent(c32));
}

TColor FromQColor(const QColor& c) { return TColor(c.red() | (c.green() << 8) | (c.blue() << 16)); }

PromptAnswer QtPrompter::Question(const QString& text) {
  const auto r = QMessageBox::question(parent_, QString(), text,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  return r == QMessageBox::Yes ? PromptAnswer::Yes : r == QMessageBox::No ? PromptAnswer::No : PromptAnswer::Cancel;
}

void QtPrompter::Error(const QString& text) { QMessageBox::critical(parent_, QString(), text, QMessageBox::Ok); }

void QtPrompter::Warning(const QString& text) { QMessageBox::warning(parent_, QString(), text, QMessageBox::Ok); }

std::optional<QString> QtPrompter::OpenFileName(const QString& title, const QString& folder, const QString& filter) {
  const QString name = QFileDialog::getOpenFileName(parent_, title, folder, filter);
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> QtPrompter::SaveFileName(const QString& title, const QString& folder, const QString& filter) {
  // QFileDialog asks before overwriting unless told otherwise.
  const QString name = QFileDialog::getSaveFileName(parent_, title, folder, filter);
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> QtPrompter::SaveFileWithFilter(SaveRequest& request) {
  QFileDialog dialog(parent_, request.Title, request.Folder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(request.Filter);
  const QStringList filters = dialog.nameFilters();
  if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
    dialog.selectNameFilter(filters[request.FilterIndex - 1]);
  // A name typed without an extension gets the one of the filter in view,
  // so the overwrite question asks about the file that will be written.
  const auto suffixOf = [&request](const QString& filter) {
    static const QRegularExpression pattern(R"(\*\.(\w+))");
    const QRegularExpressionMatch m = pattern.match(filter);
    return m.hasMatch() ? m.captured(1).toLower() : request.DefaultExt;
  };
  dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, suffixOf](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
  if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  request.FilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return dialog.selectedFiles().front();
}

std::optional<TColor> QtPrompter::ChooseColor(TColor initial) {
  const QColor c = QColorDialog::getColor(ToQColor(initial), parent_);
  if (!c.isValid()) return std::nullopt;
  return FromQColor(c);
}

bool QtPrompter::RunDialog(QDialog& dialog) {
  // Every dialog opens in the middle of the screen the window is on.
  CentreOnScreen(dialog, parent_);
  return dialog.exec() == QDialog::Accepted;
}

void QtPrompter::OpenDocument(const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

PromptAnswer ScriptedPrompter::Question(const QString& text) {
  if (Questions.empty()) {
    Log << "unanswered question: " + text;
    return PromptAnswer::Cancel;
  }
  Log << "question: " + text;
  const PromptAnswer a = Questions.front();
  Questions.pop_front();
  return a;
}

void ScriptedPrompter::Error(const QString& text) { Log << "error: " + text; }

void ScriptedPrompter::Warning(const QString& text) { Log << "warning: " + text; }

std::optional<QString> ScriptedPrompter::OpenFileName(const QString& title, const QString& folder, const QString&) {
  LastFolder = folder;
  if (FileNames.empty()) {
    Log << "unanswered open: " + title;
    return std::nullopt;
  }
  Log << "open: " + title;
  const QString name = FileNames.front();
  FileNames.pop_front();
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> ScriptedPrompter::SaveFileName(const QString& title, const QString& folder, const QString&) {
  LastFolder = folder;
  if (FileNames.empty()) {
    Log << "unanswered save: " + title;
    return std::nullopt;
  }
  Log << "save: " + title;
  const QString name = FileNames.front();
  FileNames.pop_front();
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> ScriptedPrompter::SaveFileWithFilter(SaveRequest& request) {
  LastSave = request;
  LastFolder = request.Folder;
  if (!FilterIndexes.empty()) {
    request.FilterIndex = FilterIndexes.front();
    FilterIndexes.pop_front();
  }
  return SaveFileName(request.Title, request.Folder, request.Filter);
}

std::optional<TColor> ScriptedPrompter::ChooseColor(TColor initial) {
  if (Colors.empty()) {
    Log << QString("unanswered colour %1").arg(initial, 6, 16, QChar('0'));
    return std::nullopt;
  }
  Log << QString("colour %1").arg(initial, 6, 16, QChar('0'));
  auto r = Colors.front();
  Colors.pop_front();
  return r;
}

bool ScriptedPrompter::RunDialog(QDialog& dialog) {
  if (Dialogs.empty()) {
    Log << "unanswered dialog: " + dialog.windowTitle();
    return false;
  }
  Log << "dialog: " + dialog.windowTitle();
  auto f = std::move(Dialogs.front());
  Dialogs.pop_front();
  return f(dialog);
}

void ScriptedPrompter::OpenDocument(const QString& path) { Log << "document: " + path; }

}  // namespace plumavo
