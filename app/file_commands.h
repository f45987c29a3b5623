// The project commands of the File menu and toolbar (New, Open, Save, Save
// As), the save-changes question, opening a project file with its messages,
// the window caption, the recent-project list with its two menus, the
// preferences and what the window loads when it is first shown. The main
// window owns one of these for the whole run; it connects itself to the
// window's menu items.
#pragma once

#include <string>

#include <QObject>
#include <QString>
#include <QStringList>

#include "app/preferences.h"
#include "app/recent_projects.h"
#include "app/settings_store.h"

namespace plumavo {

class MainWindow;
class NewProjectDialog;
class PreferencesDialog;

// Names the environment variable that points the program at an INI file of
// its own instead of the user's settings (tests, portable set-ups).
inline constexpr const char* kSettingsFileVariable = "PLUMAVO_SETTINGS_FILE";

// The project file dialogs' filter and the extension a typed name gets.
QString ProjectFileFilter();  // "Plumavo PRO Project(*.plv)"
inline constexpr const char* kProjectExtension = "plv";

// The window caption for a project file name: title, " - ", the name
// without its folder ("Plumavo PRO - Untitled", "Plumavo PRO - fern.plv").
QString ProjectCaption(const std::string& projectFileName);

class FileCommands : public QObject {
  Q_OBJECT
 public:
  explicit FileCommands(MainWindow& window);
  ~FileCommands() override;

  // Preferences, recent projects and the tip state all live here.
  SettingsStore& Settings;  // the window's
  // Points every settings reader of the window at an INI file.
  void SetSettingsFile(const QString& iniFile);

  // The folder the program file lies in; "Projects" beside it is where the
  // project dialogs start until a file has been chosen.
  QString ProgramFolder;
  // Folders (with a trailing separator) of the last file chosen in the Open
  // and the Save As dialog; kept for the rest of the run only.
  QString LastProjectOpenFolder;
  QString LastProjectSaveFolder;

  // Arguments after the program name; a single one is a project to open
  // when the window is first shown.
  QStringList CommandLine;

  RecentProjects recentProjects;
  // Preferences as read from the store. The renderer and the editor get them
  // through ApplyPreferences, limited where a stored value could hang the
  // program; the animation values are limited where they are used.
  StoredPreferences Preferences;

  // Made on first use, like the other dialogs.
  NewProjectDialog& NewProject();
  PreferencesDialog* preferencesDialog;

  // --- Routines ----------------------------------------------------------
  // True when the calling command may go on: no changes, changes saved, or
  // changes discarded on purpose. A save that does not happen (its dialog
  // cancelled, the write failed) keeps the work and stops the command.
  bool QuerySaveChanges();
  void OpenProject(const QString& path);
  void LoadRecentProjects();
  void SaveRecentProjects();
  void AddRecentProject(const QString& path);
  void BuildRecentMenus();
  void ApplyPreferences(const StoredPreferences& p);
  // What the window does when it is first shown: recent projects, the
  // preferences, and a project named on the command line.
  void FormShow();
  QString ProjectsFolder() const;

  // --- Handlers ------------------------------------------------------------
  void FileNewClick();
  void FileOpenClick();
  // A .plv file dropped on the window: opened as File > Open would, after
  // the question about unsaved changes.
  void OpenDroppedProject(const QString& path);
  void FileSaveClick();
  void FileSaveAsClick();
  void RecentItemClick(int index);
  void ProjectPreferencesClick();

 private:
  void OpenChosenProject(const QString& path);
  void SetCaption();
  MainWindow& w_;
  NewProjectDialog* newProject_ = nullptr;
};

}  // namespace plumavo
