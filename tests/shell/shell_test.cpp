#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "app/number_field.h"
#include "app/preferences.h"
#include "app/recent_projects.h"
#include "app/tips.h"

namespace plumavo {
namespace {

class Store : public testing::Test {
 protected:
  QString IniPath() const { return dir_.filePath("settings.ini"); }
  void SetRaw(const QString& key, const QVariant& v) {
    QSettings s(IniPath(), QSettings::IniFormat);
    s.setValue(SettingsStore::KeyPath() + "/" + key, v);
  }
  QTemporaryDir dir_;
};

TEST_F(Store, EmptyStoreGivesEveryDefault) {
  SettingsStore store(IniPath());
  EXPECT_EQ(LoadPreferences(store), StoredPreferences{});
  const TipState tips = LoadTipState(store);
  EXPECT_EQ(tips.Index, -1);
  EXPECT_TRUE(tips.ShowTips);
  RecentProjects recent;
  recent.Load(store);
  EXPECT_TRUE(recent.Entries().isEmpty());
  EXPECT_FALSE(QFile::exists(IniPath()));  // reading never writes defaults back
}

TEST_F(Store, PreferencesRoundTripUnderTheProgramsKey) {
  SettingsStore store(IniPath());
  const StoredPreferences p{5000, false, false, 40, 25};
  ASSERT_TRUE(StorePreferences(store, p));
  EXPECT_EQ(LoadPreferences(store), p);
  QSettings raw(IniPath(), QSettings::IniFormat);
  EXPECT_EQ(raw.value("Software/Plumavo/Plumavo PRO/2.0/Rendering Loops").toInt(), 5000);
  EXPECT_EQ(raw.value("Software/Plumavo/Plumavo PRO/2.0/Real-time Rendering").toInt(), 0);
}

TEST_F(Store, UnreadableValuesFallBackToTheirDefaults) {
  SetRaw("Rendering Loops", "lots");
  SetRaw("Antialiased", "yes please");
  SetRaw("Frame Rate", 0);
  SetRaw("Animation Quality", QStringList{"a", "b"});
  SettingsStore store(IniPath());
  const StoredPreferences p = LoadPreferences(store);
  EXPECT_EQ(p.RenderingLoops, 10000);
  EXPECT_TRUE(p.Antialiased);
  EXPECT_EQ(p.AnimationQuality, 75);
  EXPECT_EQ(p.FrameRate, 0);  // read as stored; limited where it is used
  EXPECT_EQ(UsableFrameRate(p.FrameRate), 1);
}

TEST(Preferences, StoredValuesAreLimitedBeforeUse) {
  struct Row {
    int32_t stored, loops, rate, quality;
  };
  for (const Row& r : {Row{0, 1, 1, 1}, Row{-7, 1, 1, 1}, Row{500, 500, 30, 100}, Row{20, 20, 20, 20},
                       Row{2000000000, 100000, 30, 100}}) {
    EXPECT_EQ(UsableRenderingLoops(r.stored), r.loops) << r.stored;
    EXPECT_EQ(UsableFrameRate(r.stored), r.rate) << r.stored;
    EXPECT_EQ(UsableAnimationQuality(r.stored), r.quality) << r.stored;
  }
}

TEST_F(Store, AFailedWriteIsReported) {
  QFile blocker(dir_.filePath("blocked"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  // The settings file would have to live inside a plain file: nothing can be written.
  SettingsStore store(dir_.filePath("blocked/settings.ini"));
  EXPECT_FALSE(StorePreferences(store, StoredPreferences{}));
  EXPECT_FALSE(store.WriteString("Recent Projects", "0", "/x.plv"));
}

TEST_F(Store, RecentProjectsSkipEmptyValuesAndKeepHigherOnes) {
  SetRaw("Recent Projects/0", "/a.plv");
  SetRaw("Recent Projects/1", "");
  SetRaw("Recent Projects/3", "/d.plv");
  SettingsStore store(IniPath());
  RecentProjects recent;
  recent.Load(store);
  EXPECT_EQ(recent.Entries(), (QStringList{"/a.plv", "/d.plv"}));
  RecentProjects one;
  one.Add("/new.plv");
  ASSERT_TRUE(one.Save(store));
  recent.Load(store);
  EXPECT_EQ(recent.Entries(), (QStringList{"/new.plv", "/d.plv"}));
}

TEST(recentProjects, NewestFirstCaseInsensitiveAtMostFour) {
  RecentProjects r;
  for (const char* p : {"/p/1.plv", "/p/2.plv", "/p/3.plv", "/p/4.plv", "/p/5.plv"}) r.Add(p);
  EXPECT_EQ(r.Entries(), (QStringList{"/p/5.plv", "/p/4.plv", "/p/3.plv", "/p/2.plv"}));
  r.Add("/p/3.plv");
  EXPECT_EQ(r.Entries(), (QStringList{"/p/3.plv", "/p/5.plv", "/p/4.plv", "/p/2.plv"}));
  r.Add("/P/4.PLV");
  EXPECT_EQ(r.Entries(), (QStringList{"/P/4.PLV", "/p/3.plv", "/p/5.plv", "/p/2.plv"}));
  EXPECT_EQ(RecentProjects::MenuCaption(0, "/art/fern.plv"), "&1 /art/fern.plv");
  EXPECT_EQ(RecentProjects::MissingFileMessage("/x.plv"), "The project file:\n/x.plv\ndoes not exist.");
}

struct FieldRow {
  const char* Name;
  QString text;
  QString afterExit;
  bool passesCheck;
};

class NumberField : public testing::TestWithParam<FieldRow> {};

TEST_P(NumberField, RepairAndCheckOfTheLoopField) {
  const NumberFieldRules loops{1000, 100000, 10000, 7};
  EXPECT_EQ(loops.RepairedOnExit(GetParam().text), GetParam().afterExit);
  EXPECT_EQ(!CheckNumberField(GetParam().text, 1000, 100000).has_value(), GetParam().passesCheck);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NumberField,
    testing::Values(FieldRow{"InRange", "5000", "5000", true}, FieldRow{"LeadingZero", "0500", "10000", false},
                    FieldRow{"Empty", "", "10000", false}, FieldRow{"BelowMinimum", "999", "10000", false},
                    FieldRow{"Maximum", "100000", "100000", true}, FieldRow{"AboveMaximum", "100001", "10000", false},
                    FieldRow{"Minimum", "1000", "1000", true}, FieldRow{"TrailingLetter", "12x", "10000", false},
                    FieldRow{"TooManyDigits", "99999999999999999999", "10000", false}),
    [](const ::testing::TestParamInfo<FieldRow>& info) { return std::string(info.param.Name); });

TEST(NumberField, WarningTextAndTypingRules) {
  EXPECT_EQ(CheckNumberField("12", 16, 1280).value(), "An number between 16 and 1280 is required.");
  EXPECT_FALSE(CheckNumberField("16", 16, 1280).has_value());
  EXPECT_TRUE(NumberFieldRules::AcceptsKey('7'));
  EXPECT_TRUE(NumberFieldRules::AcceptsKey(QChar(8)));
  EXPECT_FALSE(NumberFieldRules::AcceptsKey('-'));
  EXPECT_FALSE(NumberFieldRules::AcceptsKey('a'));
  const NumberFieldRules width{16, 1280, 480, 4};
  EXPECT_EQ(width.RepairedOnExit("0099"), "480");
  EXPECT_EQ(width.ValueOf("abc"), 16);
  EXPECT_EQ(width.ValueOf("5000"), 1280);
}

TEST(Tips, LinesIndexesAndWrapping) {
  QTemporaryDir dir;
  const QString path = dir.filePath("tips.txt");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("first\r\nsecond\rthird\n\nfifth\n");
  f.close();
  EXPECT_EQ(ReadTips(path), (QStringList{"first", "second", "third", "", "fifth"}));
  EXPECT_TRUE(ReadTips(dir.filePath("missing.txt")).isEmpty());
  EXPECT_EQ(FirstTipIndex(-1, 3), 0);
  EXPECT_EQ(FirstTipIndex(0, 3), 1);
  EXPECT_EQ(FirstTipIndex(2, 3), 0);
  EXPECT_EQ(FirstTipIndex(99, 3), 0);
  EXPECT_EQ(FirstTipIndex(-1, 0), 0);
  EXPECT_EQ(NextTipIndex(2, 3), 0);
  EXPECT_EQ(PreviousTipIndex(0, 3), 2);
  EXPECT_EQ(PreviousTipIndex(0, 0), 0);
}

}  // namespace
}  // namespace plumavo
