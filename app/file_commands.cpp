#include "app/file_commands.h"
#include "app/user_folders.h"

#include <optional>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>
#include <QTimer>

#include "app/dialog_commands.h"
#include "app/main_window.h"
#include "app/new_project_dialog.h"
#include "app/preferences_dialog.h"
#include "app/safely.h"
#include "app/tips_dialog.h"
#include "model/project_file.h"

namespace plumavo {

namespace {

constexpr const char* kUntitled = "Untitled";

// File names go to the project reader and writer in the file system's encoding.
std::string LocalFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

QString FileNameOf(const std::string& projectFileName) {
  return QFileInfo(QString::fromStdString(projectFileName)).fileName();
}

// The folder of a chosen file, with its trailing separator.
QString FolderOf(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absolutePath() + "/"); }

}  // namespace

QString ProjectFileFilter() { return QString(kApplicationTitle) + " Project(*.plv)"; }

QString ProjectCaption(const std::string& projectFileName) {
  return QString(kApplicationTitle) + " - " + FileNameOf(projectFileName);
}

FileCommands::FileCommands(MainWindow& window)
    : QObject(&window), Settings(window.settings), ProgramFolder(QCoreApplication::applicationDirPath()), w_(window) {
  preferencesDialog = new PreferencesDialog([this]() -> SettingsStore& { return Settings; },
                                            [this]() -> Prompter& { return w_.Prompts(); },
                                            [this](const StoredPreferences& p) { ApplyPreferences(p); }, &window);
  if (qEnvironmentVariableIsSet(kSettingsFileVariable)) SetSettingsFile(qEnvironmentVariable(kSettingsFileVariable));

  // The commands this module carries out.
  window.commands->Bind(CommandId::FileNew, [this] { FileNewClick(); });
  window.commands->Bind(CommandId::FileOpen, [this] { FileOpenClick(); });
  window.commands->Bind(CommandId::FileSave, [this] { FileSaveClick(); });
  window.commands->Bind(CommandId::FileSaveAs, [this] { FileSaveAsClick(); });
  window.commands->Bind(CommandId::ProjectPreferences, [this] { ProjectPreferencesClick(); });
}

FileCommands::~FileCommands() = default;

NewProjectDialog& FileCommands::NewProject() {
  if (newProject_ == nullptr) newProject_ = new NewProjectDialog([this]() -> Prompter& { return w_.Prompts(); }, &w_);
  return *newProject_;
}

void FileCommands::SetSettingsFile(const QString& iniFile) { Settings = SettingsStore(iniFile); }

QString FileCommands::ProjectsFolder() const {
  return StartFolder(ProgramFolder, "Projects", QStandardPaths::DocumentsLocation);
}

void FileCommands::SetCaption() { w_.setWindowTitle(ProjectCaption(w_.project.ProjectFileName)); }

// ---------------------------------------------------------------------------
// Start-up

void FileCommands::FormShow() {
  Safely([&] {
    LoadRecentProjects();
    BuildRecentMenus();
  });
  Safely([&] { preferencesDialog->LoadPreferences(); });
  w_.UpdateInterfaceState();
  // A single argument is a project to open, without question or extension check.
  if (CommandLine.size() == 1) Safely([&] { OpenProject(CommandLine.front()); });
}

// ---------------------------------------------------------------------------
// Save question and project files

bool FileCommands::QuerySaveChanges() {
  if (w_.project.ProjectSaved) return true;
  // A question that cannot be asked throws to the command's boundary, which
  // abandons the command: unsaved work is never dropped unasked.
  const PromptAnswer answer = w_.Prompts().Question("Save changes to " + FileNameOf(w_.project.ProjectFileName) + "?");
  if (answer != PromptAnswer::Yes) return answer == PromptAnswer::No;
  // Save as a click on its menu item would: with Save disabled (no vertex
  // yet) there is nothing to save and the command goes on.
  if (!w_.Action(CommandId::FileSave)->isEnabled()) return true;
  Safely([&] { FileSaveClick(); });
  // A cancelled Save As or a failed write keeps the work: the command that
  // asked is abandoned rather than throwing the changes away.
  return w_.project.ProjectSaved;
}

void FileCommands::OpenProject(const QString& path) {
  const uint8_t r = LoadProject(w_.project, LocalFileName(path));
  if (r == kFileCannotOpen) {
    w_.Prompts().Error("Cannot open the project.");
    return;
  }
  if (r != kFileOk) {
    // The reader leaves the open project as it was on every failure, a file
    // recognised but invalid (254) included, so the work on screen stays.
    w_.Prompts().Error("Unexpected file format.");
    return;
  }
  w_.project.ProjectFileName = path.toStdString();
  SetCaption();
  AddRecentProject(path);
  SaveRecentProjects();
  BuildRecentMenus();
  w_.ResetProject(w_.project.Width, w_.project.Height, false, w_.project.Mode);
  w_.ShowShapeSettingsInPanel();
  w_.UpdateInterfaceState();
  w_.ComposeCanvas();
  w_.RenderImage();
}

void FileCommands::FileNewClick() {
  if (!QuerySaveChanges()) return;
  NewProjectDialog& dialog = NewProject();
  dialog.Preset(kDefaultProjectWidth, kDefaultProjectHeight);
  if (!w_.Prompts().RunDialog(dialog)) return;
  const ShapeMode mode = dialog.Mode();
  const int width = dialog.WidthValue();
  const int height = dialog.HeightValue();
  // The dialog's OK refuses these already; a size outside the range never
  // reaches the surfaces.
  if (width < kMinProjectSize || width > kMaxProjectSize || height < kMinProjectSize || height > kMaxProjectSize)
    return;
  w_.ResetProject(width, height, true, mode);
  w_.UpdateInterfaceState();
  w_.ComposeCanvas();
  w_.RenderImage();
}

void FileCommands::FileOpenClick() {
  if (!QuerySaveChanges()) return;
  const QString folder = LastProjectOpenFolder.isEmpty() ? ProjectsFolder() : LastProjectOpenFolder;
  const std::optional<QString> path = w_.Prompts().OpenFileName("Open Project File", folder, ProjectFileFilter());
  if (!path) return;
  w_.repaint();
  OpenChosenProject(*path);
}

void FileCommands::OpenDroppedProject(const QString& path) {
  if (!QuerySaveChanges()) return;
  OpenChosenProject(path);
}

void FileCommands::OpenChosenProject(const QString& chosen) {
  const std::optional<QString> path = chosen;
  // Choosing the file that is already open does nothing.
  if (path->toStdString() == w_.project.ProjectFileName) return;
  LastProjectOpenFolder = FolderOf(*path);
  // The interface timer rests while the file is read, and runs again after,
  // whatever happens.
  const bool timerWasActive = w_.uiTimer->isActive();
  const auto restartTimer = qScopeGuard([&] {
    if (timerWasActive) w_.uiTimer->start();
  });
  w_.uiTimer->stop();
  OpenProject(*path);
}

void FileCommands::FileSaveClick() {
  if (w_.project.ProjectFileName == kUntitled) {
    if (w_.Action(CommandId::FileSaveAs)->isEnabled()) FileSaveAsClick();
    return;
  }
  if (SaveProject(w_.project, LocalFileName(QString::fromStdString(w_.project.ProjectFileName))) != kFileOk) {
    w_.Prompts().Error("Cannot save the project.");
    return;
  }
  w_.project.ProjectSaved = true;
  w_.UpdateInterfaceState();
}

void FileCommands::FileSaveAsClick() {
  Prompter::SaveRequest request;
  request.Title = "Save Project As...";
  request.Folder = LastProjectSaveFolder.isEmpty() ? ProjectsFolder() : LastProjectSaveFolder;
  request.FileName = FileNameOf(w_.project.ProjectFileName);
  request.Filter = ProjectFileFilter();
  request.DefaultExt = kProjectExtension;
  std::optional<QString> chosen = w_.Prompts().SaveFileWithFilter(request);
  if (!chosen || chosen->isEmpty()) return;
  // A name typed without an extension gets the project extension.
  QString path = *chosen;
  if (QFileInfo(path).suffix().isEmpty()) path += QString(".") + kProjectExtension;
  w_.repaint();
  LastProjectSaveFolder = FolderOf(path);
  if (SaveProject(w_.project, LocalFileName(path)) != kFileOk) {
    w_.Prompts().Error("Cannot save the project.");
    return;
  }
  w_.project.ProjectFileName = path.toStdString();
  SetCaption();
  AddRecentProject(path);
  SaveRecentProjects();
  BuildRecentMenus();
  w_.project.ProjectSaved = true;
  w_.UpdateInterfaceState();
}

// ---------------------------------------------------------------------------
// Recent projects

void FileCommands::LoadRecentProjects() { recentProjects.Load(Settings); }

void FileCommands::SaveRecentProjects() { recentProjects.Save(Settings); }

void FileCommands::AddRecentProject(const QString& path) { recentProjects.Add(path); }

void FileCommands::BuildRecentMenus() {
  const QStringList& entries = recentProjects.Entries();
  if (entries.isEmpty()) return;
  for (QMenu* menu : {w_.recentMenu, w_.recentPopup}) {
    menu->clear();
    for (int i = 0; i < entries.size(); ++i) {
      QAction* item = menu->addAction(RecentProjects::MenuCaption(i, entries[i]));
      connect(item, &QAction::triggered, this, [this, i] { Safely([&] { RecentItemClick(i); }); });
    }
  }
}

void FileCommands::RecentItemClick(int index) {
  w_.repaint();
  const QStringList& entries = recentProjects.Entries();
  if (index < 0 || index >= entries.size()) return;
  const QString path = entries[index];
  if (path.toStdString() == w_.project.ProjectFileName) return;
  if (!QFileInfo::exists(path)) {
    w_.Prompts().Error(RecentProjects::MissingFileMessage(path));
    return;
  }
  if (QuerySaveChanges()) OpenProject(path);
}

// ---------------------------------------------------------------------------
// Preferences

void FileCommands::ApplyPreferences(const StoredPreferences& p) {
  Preferences = p;
  // A stored loop count of 0 or below would leave nothing to render and an
  // absurd one would hang the window: the renderer gets a usable count.
  w_.renderer.Preferences.RenderingLoops = UsableRenderingLoops(p.RenderingLoops);
  w_.renderer.Preferences.RealTimeRendering = p.RealTimeRendering;
  w_.renderer.Preferences.Antialiased = p.Antialiased;
  w_.editor->SetRealTimeRendering(p.RealTimeRendering);
}

void FileCommands::ProjectPreferencesClick() {
  const RenderPreferences before = w_.renderer.Preferences;
  preferencesDialog->FormShow();
  if (!w_.Prompts().RunDialog(*preferencesDialog)) return;
  const RenderPreferences& after = w_.renderer.Preferences;
  // Only the loop count and antialiasing change the picture.
  if (after.RenderingLoops != before.RenderingLoops || after.Antialiased != before.Antialiased) w_.RenderImage();
}

}  // namespace plumavo
