// Every fixed menu and toolbar command as one record: its caption, shortcut,
// picture and hint, when it can be used and whether it shows a check mark.
// The menu bar, the toolbar and the enabled and checked states are all built
// from this one table; what a command does is bound to it by the module that
// owns the work.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <QObject>

#include "editing/shape_editor.h"

class QAction;
class QMenu;
class QMenuBar;
class QPixmap;
class QWidget;

namespace plumavo {

// Image list indexes used by the window (see resources/icons/LICENSE.txt).
enum IconIndex : int {
  kIconNew = 0,
  kIconOpen,
  kIconSave,
  kIconExport,
  kIconCut,
  kIconCopy,
  kIconPaste,
  kIconClear,
  kIconZoom,
  kIconHelp,
  kIconUndo,
  kIconRedo,
  kIconDelete,
  kIconPrint,
  kIconPrintPreview,
  kIconPrintSetup,
  kIconExit,
  kIconCanvasSize,
  kIconPreferences,
  kIconBackImport,
  kIconBackClear,
  kIconRecord,
  kIconStop,
  kIconPlay,
  kIconSelectAll,
  kIconMousePos = 25,
  kIconAffine = 26,
  kIconProjective = 27,
  kIconShapesShown = 28,
  kIconShapesHidden = 29,
  kIconCount
};

enum class CommandId : uint8_t {
  FileNew,
  FileOpen,
  FileSave,
  FileSaveAs,
  FileExport,
  FilePrintSetup,
  FilePrintPreview,
  FilePrint,
  FileExit,
  EditUndo,
  EditRedo,
  EditCut,
  EditCopy,
  EditPaste,
  EditDelete,
  EditClear,
  EditSelectAll,
  EditSelectNone,
  ProjectCanvasSize,
  ProjectPreferences,
  BackgroundImport,
  BackgroundClear,
  AnimationRecord,
  AnimationStop,
  AnimationPlay,
  ViewShapes,
  ViewToolbar,
  ViewStatusBar,
  ViewSidePanel,
  ViewRefresh,
  HelpContents,
  HelpTips,
  HelpTutorial,
  HelpFeedback,
  HelpSupport,
  HelpLatestVersion,
  HelpWebSite,
  HelpAbout,
};
inline constexpr size_t kCommandCount = size_t(CommandId::HelpAbout) + 1;

// What the enabled and checked rules look at, gathered by the window.
struct CommandState {
  bool Recording = false;
  bool AnyVertex = false;
  bool Saved = true;
  bool HasBackground = false;
  EditMenuState Edit;
  bool ShapesShown = true;
  bool ToolbarShown = true;
  bool StatusBarShown = true;
  bool SidePanelShown = true;
};

struct Command {
  CommandId Id;
  const char* Caption;                   // with its accelerator, as the menu shows it
  const char* Shortcut;                  // empty for none
  int Icon;                              // image list index, -1 for none
  const char* Hint;                      // the status bar text
  bool (*Enabled)(const CommandState&);  // null: always enabled
  bool (*Checked)(const CommandState&);  // null: no check mark
};

// The table, in CommandId order.
const std::array<Command, kCommandCount>& CommandTable();
inline const Command& CommandOf(CommandId id) { return CommandTable()[size_t(id)]; }

// The menu bar: each menu's title and its entries: commands, separators, and
// the named sub-menus the window fills itself ("Recent", "Zoom").
struct MenuEntry {
  enum Kind : uint8_t { Item, Separator, Submenu } Type;
  CommandId Id;
  const char* SubmenuName;
};
struct MenuLayout {
  const char* Title;
  std::vector<MenuEntry> Entries;
};
const std::vector<MenuLayout>& MenuBarLayout();

// The toolbar, left to right: command buttons with their short captions,
// separators, and the Zoom button, which the window makes itself.
struct ToolbarEntry {
  enum Kind : uint8_t { Button, Separator, Zoom } Type;
  CommandId Id;
  const char* Caption;
};
const std::vector<ToolbarEntry>& ToolbarLayout();

// The QActions of the table, owned by the window, and the one place where
// their states are set.
class CommandActions : public QObject {
 public:
  CommandActions(QWidget* owner, const std::function<QPixmap(int)>& icons);

  QAction* Action(CommandId id) const { return actions_[size_t(id)]; }
  // What the command does; run through the error boundary under its caption.
  void Bind(CommandId id, std::function<void()> execute);
  // Enabled and checked states from the rules.
  void Refresh(const CommandState& state);
  // Builds the menu bar from MenuBarLayout; submenu(name, parent) makes the
  // named sub-menus.
  void BuildMenus(QMenuBar* bar, const std::function<QMenu*(const char* name, QMenu* parent)>& submenu);

 private:
  std::array<QAction*, kCommandCount> actions_{};
};

}  // namespace plumavo
