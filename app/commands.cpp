#include "app/commands.h"

#include <string>
#include <utility>

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QWidget>

#include "app/safely.h"

namespace plumavo {

namespace {

bool NotRecording(const CommandState& s) { return !s.Recording; }

}  // namespace

const std::array<Command, kCommandCount>& CommandTable() {
  using S = const CommandState&;
  static const std::array<Command, kCommandCount> table{{
      {CommandId::FileNew, "&New", "Ctrl+N", kIconNew, "Create a new project", nullptr, nullptr},
      {CommandId::FileOpen, "&Open...", "Ctrl+O", kIconOpen, "Open an existing project", nullptr, nullptr},
      {CommandId::FileSave, "&Save", "Ctrl+S", kIconSave, "Save the current project",
       [](S s) { return !s.Saved && s.AnyVertex; }, nullptr},
      {CommandId::FileSaveAs, "Save &As...", "", -1, "Save the current project with a new name",
       [](S s) { return s.AnyVertex; }, nullptr},
      {CommandId::FileExport, "&Export Image...", "", kIconExport, "Export the current image to file", NotRecording,
       nullptr},
      {CommandId::FilePrintSetup, "P&rint Setup...", "", kIconPrintSetup, "Change the printer and page setup",
       NotRecording, nullptr},
      {CommandId::FilePrintPreview, "Print Pre&view", "", kIconPrintPreview,
       "Change the print layout and display print preview", NotRecording, nullptr},
      {CommandId::FilePrint, "&Print...", "Ctrl+P", kIconPrint, "Print the current image", NotRecording, nullptr},
      {CommandId::FileExit, "E&xit", "Alt+F4", kIconExit, "Quit the application", nullptr, nullptr},
      {CommandId::EditUndo, "&Undo", "Ctrl+Z", kIconUndo, "Undo the last action", [](S s) { return s.Edit.Undo; },
       nullptr},
      {CommandId::EditRedo, "&Redo", "Ctrl+Y", kIconRedo, "Redo the previously undone action",
       [](S s) { return s.Edit.Redo; }, nullptr},
      {CommandId::EditCut, "Cu&t", "Ctrl+X", kIconCut, "Cut out the active shape and put it into the Clipboard",
       [](S s) { return s.Edit.Cut; }, nullptr},
      {CommandId::EditCopy, "&Copy", "Ctrl+C", kIconCopy, "Copy the active shape into the Clipboard",
       [](S s) { return s.Edit.Copy; }, nullptr},
      {CommandId::EditPaste, "&Paste", "Ctrl+V", kIconPaste, "Paste shape in the Clipboard into the current project",
       [](S s) { return s.Edit.Paste; }, nullptr},
      {CommandId::EditDelete, "&Delete", "Del", kIconDelete, "Delete the active shape",
       [](S s) { return s.Edit.Delete; }, nullptr},
      {CommandId::EditClear, "C&lear All", "Ctrl+Del", kIconClear, "Clear all shapes of the project",
       [](S s) { return s.Edit.Clear; }, nullptr},
      {CommandId::EditSelectAll, "Select &All", "Ctrl+A", kIconSelectAll, "Select all shapes of the project",
       [](S s) { return s.Edit.SelectAll; }, nullptr},
      {CommandId::EditSelectNone, "Select &None", "Ctrl+D", -1, "Deselect the selection",
       [](S s) { return s.Edit.SelectNone; }, nullptr},
      {CommandId::ProjectCanvasSize, "&Size and Color...", "", kIconCanvasSize,
       "Change the size and background color of the project", nullptr, nullptr},
      {CommandId::ProjectPreferences, "Pre&ferences...", "", kIconPreferences,
       "Change the rendering or animation settings", nullptr, nullptr},
      {CommandId::BackgroundImport, "&Import Background Image...", "", kIconBackImport, "Import a background image",
       nullptr, nullptr},
      {CommandId::BackgroundClear, "&Clear Background Image", "", kIconBackClear, "Clear the background image",
       [](S s) { return s.HasBackground; }, nullptr},
      {CommandId::AnimationRecord, "&Record Animation", "", kIconRecord, "Start recording an animation", NotRecording,
       nullptr},
      {CommandId::AnimationStop, "&Stop Recording", "", kIconStop, "Stop animation recording",
       [](S s) { return s.Recording; }, nullptr},
      {CommandId::AnimationPlay, "&Play Animation", "", kIconPlay, "Play an animation", NotRecording, nullptr},
      {CommandId::ViewShapes, "&Shapes", "", -1, "Show/Hide shapes", nullptr, [](S s) { return s.ShapesShown; }},
      {CommandId::ViewToolbar, "&Toolbar", "", -1, "Show/Hide toolbar", nullptr, [](S s) { return s.ToolbarShown; }},
      {CommandId::ViewStatusBar, "St&atus Bar", "", -1, "Show/Hide status bar", nullptr,
       [](S s) { return s.StatusBarShown; }},
      {CommandId::ViewSidePanel, "Right &Panel", "", -1, "Show/Hide right panel", nullptr,
       [](S s) { return s.SidePanelShown; }},
      {CommandId::ViewRefresh, "&Refresh", "F5", -1, "", nullptr, nullptr},
      {CommandId::HelpContents, "&Contents", "F1", kIconHelp, "Display help contents", nullptr, nullptr},
      {CommandId::HelpTips, "&Tip of the Day...", "", -1, "Display tips about using Plumavo PRO", nullptr, nullptr},
      {CommandId::HelpTutorial, "&View Tutorials...", "", -1, "View tutorials about using Plumavo PRO", nullptr,
       nullptr},
      {CommandId::HelpFeedback, "Send &Feedback...", "", -1, "Send feedback to the author", nullptr, nullptr},
      {CommandId::HelpSupport, "&Support", "", -1, "Display support information", nullptr, nullptr},
      {CommandId::HelpLatestVersion, "Check the &Latest Version", "", -1, "Check the latest version of Plumavo PRO",
       nullptr, nullptr},
      {CommandId::HelpWebSite, "&Browse Plumavo PRO Web Site...", "", -1, "Browse the Web Site of Plumavo PRO", nullptr,
       nullptr},
      {CommandId::HelpAbout, "&About...", "", -1, "Display copyright and version information", nullptr, nullptr},
  }};
  return table;
}

const std::vector<MenuLayout>& MenuBarLayout() {
  using C = CommandId;
  const auto item = [](C id) { return MenuEntry{MenuEntry::Item, id, nullptr}; };
  const MenuEntry separator{MenuEntry::Separator, C::FileNew, nullptr};
  const auto submenu = [](const char* name) { return MenuEntry{MenuEntry::Submenu, C::FileNew, name}; };
  static const std::vector<MenuLayout> layout{
      {"&File",
       {item(C::FileNew), item(C::FileOpen), separator, item(C::FileSave), item(C::FileSaveAs), separator,
        item(C::FileExport), separator, item(C::FilePrintSetup), item(C::FilePrintPreview), item(C::FilePrint),
        separator, submenu("Recent"), separator, item(C::FileExit)}},
      {"&Edit",
       {item(C::EditUndo), item(C::EditRedo), separator, item(C::EditCut), item(C::EditCopy), item(C::EditPaste),
        separator, item(C::EditDelete), item(C::EditClear), separator, item(C::EditSelectAll),
        item(C::EditSelectNone)}},
      {"&Project", {item(C::ProjectCanvasSize), separator, item(C::ProjectPreferences)}},
      {"&Background", {item(C::BackgroundImport), item(C::BackgroundClear)}},
      {"&Animation", {item(C::AnimationRecord), item(C::AnimationStop), separator, item(C::AnimationPlay)}},
      {"&View",
       {item(C::ViewShapes), separator, submenu("Zoom"), separator, item(C::ViewToolbar), item(C::ViewStatusBar),
        item(C::ViewSidePanel), separator, item(C::ViewRefresh)}},
      {"&Help",
       {item(C::HelpContents), item(C::HelpTips), item(C::HelpTutorial), separator, item(C::HelpFeedback),
        item(C::HelpSupport), separator, item(C::HelpLatestVersion), item(C::HelpWebSite), separator,
        item(C::HelpAbout)}},
  };
  return layout;
}

const std::vector<ToolbarEntry>& ToolbarLayout() {
  using C = CommandId;
  const auto button = [](C id, const char* caption) { return ToolbarEntry{ToolbarEntry::Button, id, caption}; };
  const ToolbarEntry separator{ToolbarEntry::Separator, C::FileNew, nullptr};
  static const std::vector<ToolbarEntry> layout{button(C::FileNew, "New"),
                                                button(C::FileOpen, "Open"),
                                                button(C::FileSave, "Save"),
                                                separator,
                                                button(C::FileExport, "Export"),
                                                separator,
                                                button(C::EditCut, "Cut"),
                                                button(C::EditCopy, "Copy"),
                                                button(C::EditPaste, "Paste"),
                                                separator,
                                                button(C::EditClear, "Clear"),
                                                separator,
                                                {ToolbarEntry::Zoom, C::FileNew, "Zoom"},
                                                separator,
                                                button(C::HelpContents, "Help")};
  return layout;
}

CommandActions::CommandActions(QWidget* owner, const std::function<QPixmap(int)>& icons) : QObject(owner) {
  for (const Command& c : CommandTable()) {
    auto* a = new QAction(c.Caption, owner);
    if (*c.Shortcut != '\0') a->setShortcut(QKeySequence(c.Shortcut));
    a->setStatusTip(c.Hint);
    if (c.Icon >= 0 && icons) a->setIcon(icons(c.Icon));
    if (c.Checked) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    actions_[size_t(c.Id)] = a;
  }
}

void CommandActions::Bind(CommandId id, std::function<void()> execute) {
  QAction* a = Action(id);
  connect(a, &QAction::triggered, this, [a, execute = std::move(execute)] {
    const std::string caption = a->text().remove('&').remove("...").toStdString();
    Safely(execute, caption.c_str());
  });
}

void CommandActions::Refresh(const CommandState& state) {
  for (const Command& c : CommandTable()) {
    QAction* a = Action(c.Id);
    if (c.Enabled) a->setEnabled(c.Enabled(state));
    if (c.Checked) a->setChecked(c.Checked(state));
  }
}

void CommandActions::BuildMenus(QMenuBar* bar, const std::function<QMenu*(const char*, QMenu*)>& submenu) {
  for (const MenuLayout& m : MenuBarLayout()) {
    QMenu* menu = bar->addMenu(m.Title);
    for (const MenuEntry& e : m.Entries) {
      switch (e.Type) {
        case MenuEntry::Item: menu->addAction(Action(e.Id)); break;
        case MenuEntry::Separator: menu->addSeparator(); break;
        case MenuEntry::Submenu:
          if (QMenu* sub = submenu(e.SubmenuName, menu)) menu->addMenu(sub);
          break;
      }
    }
  }
}

}  // namespace plumavo
