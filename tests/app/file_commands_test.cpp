// New, Open, Save, Save As and closing: the save question, the open messages,
// the caption, the remembered folders, the recent list with its menus, the
// command line and the new-project dialog.
#include <stdexcept>

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include "app/new_project_dialog.h"
#include "app/number_edit.h"
#include "tests/app/settings_window_fixture.h"

namespace plumavo::test {
namespace {

QStringList Captions(QMenu* menu) {
  QStringList r;
  for (QAction* a : menu->actions()) r << a->text();
  return r;
}

int VerticesIn(const QString& path) {
  Project p;
  return LoadProject(p, path.toStdString()) == kFileOk ? p.VertexCount : -1;
}

// ---------------------------------------------------------------------------
// The save question

enum class Command { Close, New, Open };

struct SaveQuestionRow {
  const char* Name;
  Command Run;
  bool HasFile;    // saved once as work.plv before the last edit
  bool AnyVertex;  // false: unsaved, but without a vertex (Save disabled)
  PromptAnswer Answer;
  const char* SaveAsAnswer;  // nullptr: the dialog must not appear; "": cancelled
  const char* Error;         // expected error box, or nullptr
  bool GoesOn;
  bool SavedAfter;
};

class SaveQuestionTest : public SettingsWindowTest, public ::testing::WithParamInterface<SaveQuestionRow> {};

TEST_P(SaveQuestionTest, AnswersDecideWhetherTheCommandGoesOn) {
  const SaveQuestionRow& row = GetParam();
  Start();
  QDir().mkpath(Path("art"));
  if (row.HasFile) {
    ClickView(50, 50);
    prompts->FileNames.push_back(Path("work.plv"));
    window->Action(CommandId::FileSaveAs)->trigger();
    ASSERT_TRUE(window->project.ProjectSaved);
  }
  if (row.AnyVertex)
    ClickView(150, 150);
  else
    window->project.ProjectSaved = false;  // a canvas change, say
  prompts->Log.clear();
  prompts->Questions.push_back(row.Answer);
  if (row.SaveAsAnswer) prompts->FileNames.push_back(*row.SaveAsAnswer ? Path(row.SaveAsAnswer) : QString());

  const int vertices = window->project.VertexCount;  // closing empties the project
  bool wentOn = false;
  switch (row.Run) {
    case Command::Close: {
      QCloseEvent e;
      QApplication::sendEvent(window.get(), &e);
      wentOn = e.isAccepted();
      break;
    }
    case Command::New:
      window->Action(CommandId::FileNew)->trigger();
      wentOn = prompts->Log.contains("unanswered dialog: New Project");
      break;
    case Command::Open:
      window->Action(CommandId::FileOpen)->trigger();
      wentOn = prompts->Log.contains("unanswered open: Open Project File");
      break;
  }

  EXPECT_EQ(prompts->Log.value(0),
            QString("question: Save changes to ") + (row.HasFile ? "work.plv" : "Untitled") + "?");
  EXPECT_EQ(wentOn, row.GoesOn);
  EXPECT_EQ(window->project.ProjectSaved, row.SavedAfter);
  const bool askedSaveAs = !prompts->Log.filter("Save Project As...").isEmpty();
  EXPECT_EQ(askedSaveAs, row.SaveAsAnswer != nullptr);
  EXPECT_EQ(prompts->Log.contains(QString("error: ") + row.Error), row.Error != nullptr);
  if (row.SavedAfter) {
    // The work reached the file.
    const QString file = QString::fromStdString(window->project.ProjectFileName);
    EXPECT_EQ(VerticesIn(file), vertices);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, SaveQuestionTest,
                         ::testing::Values(SaveQuestionRow{"CancelKeepsTheWindow", Command::Close, false, true,
                                                           PromptAnswer::Cancel, nullptr, nullptr, false, false},
                                           SaveQuestionRow{"NoDropsTheChanges", Command::Close, false, true,
                                                           PromptAnswer::No, nullptr, nullptr, true, false},
                                           SaveQuestionRow{"YesOnUntitledSavesAs", Command::Close, false, true,
                                                           PromptAnswer::Yes, "art/fern.plv", nullptr, true, true},
                                           SaveQuestionRow{"CancelledSaveAsKeepsTheWindow", Command::Close, false, true,
                                                           PromptAnswer::Yes, "", nullptr, false, false},
                                           SaveQuestionRow{"FailedSaveKeepsTheWindow", Command::Close, false, true,
                                                           PromptAnswer::Yes, "nowhere/x.plv",
                                                           "Cannot save the project.", false, false},
                                           SaveQuestionRow{"CancelledSaveAsStopsNew", Command::New, false, true,
                                                           PromptAnswer::Yes, "", nullptr, false, false},
                                           SaveQuestionRow{"CancelledSaveAsStopsOpen", Command::Open, false, true,
                                                           PromptAnswer::Yes, "", nullptr, false, false},
                                           SaveQuestionRow{"YesWithAFileSavesInPlace", Command::Open, true, true,
                                                           PromptAnswer::Yes, nullptr, nullptr, true, true},
                                           SaveQuestionRow{"YesWithoutVertexSavesNothing", Command::New, false, false,
                                                           PromptAnswer::Yes, nullptr, nullptr, true, false},
                                           SaveQuestionRow{"NoLetsNewGoOn", Command::New, false, true, PromptAnswer::No,
                                                           nullptr, nullptr, true, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------
// Opening

struct OpenFailureRow {
  const char* Name;
  QByteArray (*Contents)(const QByteArray& validFile);  // nullptr: no file at all
  const char* Message;
};

QByteArray NotAProject(const QByteArray&) { return "just some text"; }
QByteArray Width2000(const QByteArray& valid) {
  QByteArray b = valid;
  const int32_t width = 2000;  // little-endian, right after the magic
  for (int i = 0; i < 4; ++i) b[2 + i] = char((width >> (8 * i)) & 0xFF);
  return b;
}
QByteArray Truncated(const QByteArray& valid) { return valid.left(6); }

class OpenFailureTest : public SettingsWindowTest, public ::testing::WithParamInterface<OpenFailureRow> {};

TEST_P(OpenFailureTest, ShowsItsMessageAndLeavesTheProjectUntouched) {
  const OpenFailureRow& row = GetParam();
  QString path = Path("missing.plv");
  if (row.Contents) {
    QFile valid(WriteProject("valid.plv"));
    ASSERT_TRUE(valid.open(QIODevice::ReadOnly));
    path = WriteBytes("bad.plv", row.Contents(valid.readAll()));
  }
  Start();
  DrawTriangle({20, 20}, {300, 20}, {20, 300});
  prompts->Log.clear();
  prompts->Questions.push_back(PromptAnswer::No);
  prompts->FileNames.push_back(path);
  window->Action(CommandId::FileOpen)->trigger();

  EXPECT_EQ(prompts->Log, QStringList({"question: Save changes to Untitled?", "open: Open Project File",
                                       QString("error: ") + row.Message}));
  EXPECT_EQ(window->project.VertexCount, 3);
  EXPECT_EQ(window->project.Width, 480);
  EXPECT_FALSE(window->project.ProjectSaved);
  EXPECT_EQ(window->project.ProjectFileName, "Untitled");
  EXPECT_EQ(window->windowTitle(), "Plumavo PRO - Untitled");
  EXPECT_TRUE(files->recentProjects.Entries().isEmpty());
  EXPECT_FALSE(window->recentMenu->menuAction()->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Rows, OpenFailureTest,
                         ::testing::Values(OpenFailureRow{"NoFile", nullptr, "Cannot open the project."},
                                           OpenFailureRow{"NotAProject", NotAProject, "Unexpected file format."},
                                           OpenFailureRow{"Width2000", Width2000, "Unexpected file format."},
                                           OpenFailureRow{"Truncated", Truncated, "Unexpected file format."}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SettingsWindowTest, OpenLoadsTheProjectAndRemembersItsFolderForOpenOnly) {
  const QString path = WriteProject("art/spiral.plv", 200, 150, ShapeMode::Projective);
  Start();
  prompts->FileNames.push_back(path);
  window->Action(CommandId::FileOpen)->trigger();

  const QString projects = Path("program/Projects");
  EXPECT_EQ(prompts->LastFolder, projects);
  EXPECT_TRUE(QDir(projects).exists());  // made when missing
  EXPECT_EQ(window->windowTitle(), "Plumavo PRO - spiral.plv");
  EXPECT_EQ(window->project.ProjectFileName, path.toStdString());
  EXPECT_EQ(window->project.Mode, ShapeMode::Projective);
  EXPECT_EQ(window->imageView->geometry(), QRect(1, 1, 200, 150));
  EXPECT_TRUE(window->project.ProjectSaved);
  EXPECT_EQ(files->recentProjects.Entries(), QStringList{path});
  EXPECT_EQ(Stored("Recent Projects/0").toString(), path);
  EXPECT_EQ(Captions(window->recentMenu), QStringList{"&1 " + path});
  EXPECT_EQ(Captions(window->recentPopup), QStringList{"&1 " + path});
  EXPECT_TRUE(window->recentMenu->menuAction()->isEnabled());

  // The next Open starts where the last file came from; Save As does not.
  prompts->FileNames.push_back(QString());
  window->Action(CommandId::FileOpen)->trigger();
  EXPECT_EQ(prompts->LastFolder, Path("art") + "/");
  prompts->FileNames.push_back(QString());
  files->FileSaveAsClick();  // the menu item waits for a vertex
  ASSERT_TRUE(prompts->LastSave);
  EXPECT_EQ(prompts->LastSave->Folder, projects);
  EXPECT_EQ(prompts->LastSave->FileName, "spiral.plv");
}

TEST_F(SettingsWindowTest, OpeningTheOpenFileAgainChangesNothing) {
  const QString path = WriteProject("spiral.plv");
  Start({path});
  ASSERT_EQ(window->project.ProjectFileName, path.toStdString());
  window->project.BackColor = 0x123456;  // only a reload would undo this
  prompts->FileNames.push_back(path);
  window->Action(CommandId::FileOpen)->trigger();
  EXPECT_EQ(window->project.BackColor, 0x123456u);
  EXPECT_TRUE(files->LastProjectOpenFolder.isEmpty());
  EXPECT_EQ(prompts->Log, QStringList{"open: Open Project File"});
}

struct CommandLineRow {
  const char* Name;
  QStringList Names;  // files inside the test folder
  bool Opens;
};

class CommandLineTest : public SettingsWindowTest, public ::testing::WithParamInterface<CommandLineRow> {};

TEST_P(CommandLineTest, OnlyASingleArgumentIsOpened) {
  QStringList args;
  for (const QString& name : GetParam().Names) args << WriteProject(name, 64, 48);
  Start(args);
  EXPECT_EQ(window->project.Width, GetParam().Opens ? 64 : 480);
  EXPECT_EQ(window->windowTitle(),
            GetParam().Opens ? "Plumavo PRO - " + GetParam().Names[0] : "Plumavo PRO - Untitled");
  EXPECT_TRUE(prompts->Log.isEmpty());
}

// The extension is not checked.
INSTANTIATE_TEST_SUITE_P(Rows, CommandLineTest,
                         ::testing::Values(CommandLineRow{"OneFileWithAnyExtension", {"one.txt"}, true},
                                           CommandLineRow{"TwoFiles", {"a.plv", "b.plv"}, false},
                                           CommandLineRow{"NoArguments", {}, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------
// Saving

TEST_F(SettingsWindowTest, SaveAsNamesTheProjectAndSaveWritesInPlace) {
  Start();
  QDir().mkpath(Path("art"));
  DrawTriangle({20, 20}, {300, 20}, {20, 300});
  prompts->FileNames.push_back(Path("art/fern"));  // typed without an extension
  window->Action(CommandId::FileSaveAs)->trigger();

  ASSERT_TRUE(prompts->LastSave);
  EXPECT_EQ(prompts->LastSave->Title, "Save Project As...");
  EXPECT_EQ(prompts->LastSave->Folder, Path("program/Projects"));
  EXPECT_EQ(prompts->LastSave->FileName, "Untitled");
  EXPECT_EQ(prompts->LastSave->Filter, "Plumavo PRO Project(*.plv)");
  EXPECT_EQ(prompts->LastSave->DefaultExt, "plv");
  const QString fern = Path("art/fern.plv");
  EXPECT_EQ(VerticesIn(fern), 3);
  EXPECT_EQ(window->windowTitle(), "Plumavo PRO - fern.plv");
  EXPECT_TRUE(window->project.ProjectSaved);
  EXPECT_FALSE(window->Action(CommandId::FileSave)->isEnabled());
  EXPECT_EQ(files->recentProjects.Entries(), QStringList{fern});

  // Save: same file, no dialog, caption and recent list as they were.
  ClickView(400, 300);
  prompts->Log.clear();
  window->Action(CommandId::FileSave)->trigger();
  EXPECT_TRUE(prompts->Log.isEmpty());
  EXPECT_EQ(VerticesIn(fern), 4);
  EXPECT_EQ(window->windowTitle(), "Plumavo PRO - fern.plv");
  EXPECT_EQ(files->recentProjects.Entries(), QStringList{fern});

  // A failed Save As keeps name, caption and list, but the folder is remembered.
  ClickView(410, 300);
  prompts->FileNames.push_back(Path("nowhere/x.plv"));
  window->Action(CommandId::FileSaveAs)->trigger();
  EXPECT_EQ(prompts->LastSave->Folder, Path("art") + "/");
  EXPECT_EQ(prompts->LastSave->FileName, "fern.plv");
  EXPECT_TRUE(prompts->Log.contains("error: Cannot save the project."));
  EXPECT_FALSE(window->project.ProjectSaved);
  EXPECT_EQ(window->project.ProjectFileName, fern.toStdString());
  EXPECT_EQ(window->windowTitle(), "Plumavo PRO - fern.plv");
  EXPECT_EQ(files->LastProjectSaveFolder, Path("nowhere") + "/");

  // A failed Save leaves the project unsaved under its name.
  ASSERT_TRUE(QDir(Path("art")).removeRecursively());
  prompts->Log.clear();
  window->Action(CommandId::FileSave)->trigger();
  EXPECT_EQ(prompts->Log, QStringList{"error: Cannot save the project."});
  EXPECT_FALSE(window->project.ProjectSaved);

  // Open still starts in the Projects folder.
  prompts->FileNames.push_back(QString());
  prompts->Questions.push_back(PromptAnswer::No);
  window->Action(CommandId::FileOpen)->trigger();
  EXPECT_EQ(prompts->LastFolder, Path("program/Projects"));
}

// ---------------------------------------------------------------------------
// Recent projects

TEST_F(SettingsWindowTest, RecentListLoadsOpensAndKeepsTheNewestFour) {
  const QString a = WriteProject("a.plv", 64, 48);
  const QString gone = Path("gone.plv");
  SetStored("Recent Projects/0", a);
  SetStored("Recent Projects/1", "");  // skipped
  SetStored("Recent Projects/2", gone);
  Start();
  EXPECT_EQ(files->recentProjects.Entries(), QStringList({a, gone}));
  EXPECT_EQ(Captions(window->recentMenu), QStringList({"&1 " + a, "&2 " + gone}));
  EXPECT_EQ(Captions(window->recentPopup), Captions(window->recentMenu));
  EXPECT_TRUE(window->recentMenu->menuAction()->isEnabled());

  // A missing file: the three-line message, and the entry stays.
  window->recentPopup->actions()[1]->trigger();
  EXPECT_EQ(prompts->Log, QStringList{"error: The project file:\n" + gone + "\ndoes not exist."});
  EXPECT_EQ(files->recentProjects.Entries(), QStringList({a, gone}));

  window->recentMenu->actions()[0]->trigger();
  EXPECT_EQ(window->windowTitle(), "Plumavo PRO - a.plv");
  EXPECT_EQ(window->project.Width, 64);
  window->project.BackColor = 0x123456;
  window->recentMenu->actions()[0]->trigger();  // the open project: nothing happens
  EXPECT_EQ(window->project.BackColor, 0x123456u);

  // Four Save As: the newest four, newest first, stored and in both menus.
  for (const char* name : {"b.plv", "c.plv", "d.plv", "e.plv"}) {
    prompts->FileNames.push_back(Path(name));
    files->FileSaveAsClick();  // the menu item waits for a vertex
  }
  const QStringList four{Path("e.plv"), Path("d.plv"), Path("c.plv"), Path("b.plv")};
  EXPECT_EQ(files->recentProjects.Entries(), four);
  EXPECT_EQ(Captions(window->recentPopup),
            QStringList({"&1 " + four[0], "&2 " + four[1], "&3 " + four[2], "&4 " + four[3]}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Stored("Recent Projects/" + QString::number(i)).toString(), four[i]);

  // Reopening the third moves it to the top without a duplicate.
  window->recentMenu->actions()[2]->trigger();
  EXPECT_EQ(files->recentProjects.Entries(), QStringList({four[2], four[0], four[1], four[3]}));
  EXPECT_EQ(window->windowTitle(), "Plumavo PRO - c.plv");

  // Another letter case of a listed path replaces that entry.
  const QString upper = Path("D.PLV");
  ASSERT_TRUE(QFile::copy(four[1], upper));
  window->files->OpenProject(upper);
  EXPECT_EQ(files->recentProjects.Entries(), QStringList({upper, four[2], four[0], four[3]}));
}

// ---------------------------------------------------------------------------
// New and its dialog

TEST_F(SettingsWindowTest, NewMakesTheChosenProjectAndTheDialogKeepsTheMode) {
  Start({WriteProject("fern.plv", 480, 360, ShapeMode::Affine)});
  ASSERT_EQ(window->windowTitle(), "Plumavo PRO - fern.plv");
  DrawTriangle({20, 20}, {300, 20}, {20, 300});
  prompts->Questions.push_back(PromptAnswer::No);
  prompts->Dialogs.push_back([](QDialog& d) {
    auto& dlg = static_cast<NewProjectDialog&>(d);
    EXPECT_EQ(dlg.widthField->Text(), "480");
    EXPECT_EQ(dlg.heightField->Text(), "360");
    EXPECT_TRUE(dlg.affineRadio->isChecked());
    dlg.projectiveRadio->setChecked(true);
    dlg.widthField->SetText("640");
    dlg.heightField->SetText("200");
    dlg.okButton->click();
    return dlg.result() == QDialog::Accepted;
  });
  window->Action(CommandId::FileNew)->trigger();
  EXPECT_EQ(window->project.Mode, ShapeMode::Projective);
  EXPECT_EQ(window->project.VertexCount, 0);
  EXPECT_EQ(window->imageView->geometry(), QRect(1, 1, 640, 200));
  EXPECT_TRUE(window->project.ProjectSaved);
  EXPECT_EQ(window->project.ProjectFileName, "Untitled");
  EXPECT_EQ(window->windowTitle(), "Plumavo PRO - Untitled");
  EXPECT_EQ(prompts->Log.value(0), "question: Save changes to fern.plv?");

  // The size is preset again, the mode stays; Cancel changes nothing.
  prompts->Dialogs.push_back([](QDialog& d) {
    auto& dlg = static_cast<NewProjectDialog&>(d);
    EXPECT_EQ(dlg.widthField->Text(), "480");
    EXPECT_TRUE(dlg.projectiveRadio->isChecked());
    dlg.cancelButton->click();
    return dlg.result() == QDialog::Accepted;
  });
  window->Action(CommandId::FileNew)->trigger();
  EXPECT_EQ(window->project.Width, 640);
}

class NewDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    dialog.show();
  }
  static void Leave(NumberEdit* field) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &out);
  }
  ScriptedPrompter prompts;
  NewProjectDialog dialog{[this]() -> Prompter& { return prompts; }};
};

struct FieldRow {
  const char* Name;
  bool Height;
  const char* Typed;
  const char* WhileTyping;  // letters are dropped
  const char* AfterLeaving;
};

class NewDialogFieldTest : public NewDialogTest, public ::testing::WithParamInterface<FieldRow> {};

TEST_P(NewDialogFieldTest, OnlyDigitsAndMalformedTextIsResetOnLeaving) {
  NumberEdit* field = GetParam().Height ? dialog.heightField : dialog.widthField;
  field->lineEdit()->clear();
  QTest::keyClicks(field, GetParam().Typed);
  EXPECT_EQ(field->Text(), GetParam().WhileTyping);
  Leave(field);
  EXPECT_EQ(field->Text(), GetParam().AfterLeaving);
}

INSTANTIATE_TEST_SUITE_P(Rows, NewDialogFieldTest,
                         ::testing::Values(FieldRow{"WidthLeadingZeros", false, "0099", "0099", "480"},
                                           FieldRow{"WidthBelowRange", false, "12", "12", "480"},
                                           FieldRow{"WidthAboveRange", false, "1281", "1281", "480"},
                                           FieldRow{"WidthMaximum", false, "1280", "1280", "1280"},
                                           FieldRow{"WidthLettersDropped", false, "6x4-0", "640", "640"},
                                           FieldRow{"WidthEmpty", false, "", "", "480"},
                                           FieldRow{"HeightMinimum", true, "16", "16", "16"},
                                           FieldRow{"HeightBelowRange", true, "5", "5", "360"}),
                         [](const ::testing::TestParamInfo<FieldRow>& info) { return std::string(info.param.Name); });

struct OkRow {
  const char* Name;
  const char* Width;
  const char* Height;
  const char* Warning;  // nullptr: accepted
};

class NewDialogOkTest : public NewDialogTest, public ::testing::WithParamInterface<OkRow> {};

TEST_P(NewDialogOkTest, EnterChecksBothFieldsAndTheFirstBadOneKeepsTheDialog) {
  dialog.widthField->SetText(GetParam().Width);
  dialog.heightField->SetText(GetParam().Height);
  QTest::keyClick(dialog.heightField, Qt::Key_Return);
  EXPECT_EQ(dialog.result() == QDialog::Accepted, GetParam().Warning == nullptr);
  if (GetParam().Warning) {
    EXPECT_EQ(prompts.Log, QStringList{QString("warning: ") + GetParam().Warning});
    const bool widthBad = CheckNumberField(GetParam().Width, 16, 1280).has_value();
    NumberEdit* bad = widthBad ? dialog.widthField : dialog.heightField;
    EXPECT_EQ(bad->lineEdit()->selectedText(), bad->Text());  // whole text selected for retyping
  } else {
    EXPECT_TRUE(prompts.Log.isEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewDialogOkTest,
    ::testing::Values(OkRow{"WidthTooSmall", "12", "360", "An number between 16 and 1280 is required."},
                      OkRow{"HeightTooLarge", "480", "2000", "An number between 16 and 1280 is required."},
                      OkRow{"BothBadWidthFirst", "12", "2000", "An number between 16 and 1280 is required."},
                      OkRow{"BothAtTheLimits", "16", "1280", nullptr}),
    [](const ::testing::TestParamInfo<OkRow>& info) { return std::string(info.param.Name); });

TEST_F(NewDialogTest, EscCancels) {
  QTest::keyClick(dialog.widthField, Qt::Key_Escape);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
}

// ---------------------------------------------------------------------------
// A command that fails part way

// Prompts whose question cannot be shown, as when the display has gone.
struct QuestionFails : ScriptedPrompter {
  PromptAnswer Question(const QString&) override { throw std::runtime_error("no screen to ask on"); }
};

struct FailingCommandRow {
  const char* Name;
  CommandId Item;
};

class FailingCommandTest : public WindowTest, public ::testing::WithParamInterface<FailingCommandRow> {};

TEST_P(FailingCommandTest, KeepsTheUnsavedWorkAndSaysWhy) {
  auto failing = std::make_unique<QuestionFails>();
  QuestionFails* log = failing.get();
  window->SetPrompts(std::move(failing));
  ClickView(50, 50);
  ClickView(150, 50);
  ASSERT_FALSE(window->project.ProjectSaved);
  window->Action(GetParam().Item)->trigger();
  EXPECT_EQ(window->project.VertexCount, 2);
  EXPECT_FALSE(window->project.ProjectSaved);
  EXPECT_TRUE(log->Log.contains("error: The command could not be completed (no screen to ask on)."))
      << log->Log.join(" | ").toStdString();
  // The window goes on working.
  ClickView(150, 150);
  EXPECT_EQ(window->project.VertexCount, 3);
}

INSTANTIATE_TEST_SUITE_P(Commands, FailingCommandTest,
                         ::testing::Values(FailingCommandRow{"New", CommandId::FileNew},
                                           FailingCommandRow{"Open", CommandId::FileOpen}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace plumavo::test
