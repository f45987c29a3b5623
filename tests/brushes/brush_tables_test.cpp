#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "render/brushes/brush_tables.h"

namespace plumavo {
namespace {

// A case name from a caption: runs of spaces and punctuation become one
// underscore ("Animal(Misc)" -> "Animal_Misc", "1x1 Dot" -> "1x1_Dot").
std::string CaseName(const char* caption) {
  std::string name;
  bool gap = false;
  for (const char* c = caption; *c; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) {
      if (gap && !name.empty()) name += '_';
      name += *c;
      gap = false;
    } else {
      gap = true;
    }
  }
  return name;
}

struct CategoryRow {
  int category;
  const char* caption;
  int icon;
  int first;
  int last;
};

class BrushCategoryTable : public ::testing::TestWithParam<CategoryRow> {};

TEST_P(BrushCategoryTable, RangeBoundariesCaptionAndIcon) {
  const CategoryRow& r = GetParam();
  EXPECT_STREQ(BrushCategoryCaption(r.category), r.caption);
  EXPECT_EQ(BrushCategoryIcon(r.category), r.icon);
  EXPECT_EQ(BrushCategory(r.first), r.category);
  EXPECT_EQ(BrushCategory(r.last), r.category);
  // Neighbours across both boundaries belong to the other categories.
  if (r.first > 0) {
    EXPECT_EQ(BrushCategory(r.first - 1), r.category - 1);
  }
  if (r.last < kBrushCount - 1) {
    EXPECT_EQ(BrushCategory(r.last + 1), r.category + 1);
  }
  const std::vector<int> listing = BrushesOfCategory(r.category);
  ASSERT_EQ(int(listing.size()), r.last - r.first + 1);
  EXPECT_EQ(listing.front(), r.first);
  EXPECT_EQ(listing.back(), r.last);
}

INSTANTIATE_TEST_SUITE_P(
    AllCategories, BrushCategoryTable,
    ::testing::Values(CategoryRow{0, "Dot", 2, 0, 2}, CategoryRow{1, "Stem", 13, 3, 20},
                      CategoryRow{2, "Leaves", 30, 21, 38}, CategoryRow{3, "Flower", 50, 39, 61},
                      CategoryRow{4, "3D Ball", 70, 62, 79}, CategoryRow{5, "3D Ring", 90, 80, 90},
                      CategoryRow{6, "Crystal Ball", 102, 91, 106}, CategoryRow{7, "Jelly", 120, 107, 120},
                      CategoryRow{8, "Mixed", 140, 121, 140}, CategoryRow{9, "Particle System", 151, 141, 155},
                      CategoryRow{10, "Sparkle", 163, 156, 165}, CategoryRow{11, "Bird", 169, 166, 171},
                      CategoryRow{12, "Fish", 173, 172, 179}, CategoryRow{13, "Insect", 187, 180, 187},
                      CategoryRow{14, "Animal(Misc)", 193, 188, 193}, CategoryRow{15, "Dinosaur", 196, 194, 196},
                      CategoryRow{16, "Star", 200, 197, 204}, CategoryRow{17, "Stone", 212, 205, 212},
                      CategoryRow{18, "Space", 219, 213, 223}, CategoryRow{19, "Sports Ball", 229, 224, 229}),
    [](const ::testing::TestParamInfo<CategoryRow>& row) { return CaseName(row.param.caption); });

struct SizeRow {
  int brush;
  const char* name;
  int width;
  int frames;
};

class BrushSizeTable : public ::testing::TestWithParam<SizeRow> {};

TEST_P(BrushSizeTable, NameWidthAndFrames) {
  const SizeRow& r = GetParam();
  EXPECT_STREQ(BrushName(r.brush), r.name);
  EXPECT_EQ(BrushWidth(r.brush), r.width);
  EXPECT_EQ(BrushFrames(r.brush), r.frames);
}

// A few brushes per category, chosen at run boundaries of the size table
// where an off-by-one in the runs would show.
INSTANTIATE_TEST_SUITE_P(
    Samples, BrushSizeTable,
    ::testing::Values(
        SizeRow{0, "1x1 Dot", 1, 1}, SizeRow{2, "3x3 Dot", 3, 1}, SizeRow{3, "Green 1", 4, 1},
        SizeRow{11, "Gray 1", 4, 1}, SizeRow{12, "Green 4", 6, 1}, SizeRow{20, "Gray 2", 6, 1},
        SizeRow{21, "Leaves 1", 32, 2}, SizeRow{22, "Leaves 2", 32, 5}, SizeRow{24, "Leaves 4", 32, 3},
        SizeRow{33, "Leaves 13", 32, 2}, SizeRow{34, "Leaves 14", 32, 4}, SizeRow{37, "Leaves 17", 32, 8},
        SizeRow{38, "Leaves 18", 32, 6}, SizeRow{39, "Flower 1", 32, 4}, SizeRow{43, "Flower 5", 32, 2},
        SizeRow{51, "Flower 13", 32, 4}, SizeRow{57, "Flower 19", 32, 4}, SizeRow{61, "Flower 23", 32, 3},
        SizeRow{62, "3D Ball 1", 4, 1}, SizeRow{70, "3D Ball 9", 32, 1}, SizeRow{71, "3D Ball 10", 12, 1},
        SizeRow{79, "3D Ball 18", 32, 1}, SizeRow{80, "3D Ring 1", 8, 1}, SizeRow{88, "3D Ring 9", 32, 1},
        SizeRow{90, "3D Ring 11", 32, 1}, SizeRow{91, "Crystal Ball 1", 8, 1}, SizeRow{100, "Crystal Ball 10", 12, 1},
        SizeRow{101, "Crystal Ball 11", 22, 1}, SizeRow{104, "Crystal Ball 14", 26, 1},
        SizeRow{106, "Crystal Ball 16", 32, 1}, SizeRow{107, "Jelly 1", 12, 1}, SizeRow{114, "Jelly 8", 12, 1},
        SizeRow{115, "Jelly 9", 16, 1}, SizeRow{119, "Jelly 13", 30, 1}, SizeRow{120, "Jelly 14", 32, 1},
        SizeRow{121, "Mixed Balls 1", 24, 9}, SizeRow{123, "Mixed Jellies", 24, 6},
        SizeRow{127, "Mixed Balls 6", 24, 4}, SizeRow{128, "Mixed Rings 1", 24, 8},
        SizeRow{129, "Mixed Rings 2", 24, 9}, SizeRow{132, "Mixed Flowers", 24, 14}, SizeRow{134, "Mixed Stars", 24, 8},
        SizeRow{136, "Mixed Shells 2", 24, 5}, SizeRow{137, "Mixed Stones 1", 24, 6},
        SizeRow{140, "Mixed Metals 2", 24, 6}, SizeRow{141, "Fire 1", 24, 6}, SizeRow{150, "Stars 1", 24, 6},
        SizeRow{151, "Stars 2", 24, 4}, SizeRow{155, "Water Drops", 24, 4}, SizeRow{159, "Sparkle 4", 24, 3},
        SizeRow{160, "Sparkle 5", 24, 5}, SizeRow{161, "Sparkle 6", 32, 3}, SizeRow{165, "Sparkle 10", 32, 5},
        SizeRow{166, "Sparrow", 32, 10}, SizeRow{168, "Hawk 2", 32, 4}, SizeRow{170, "Pigeon", 32, 9},
        SizeRow{171, "Crane", 32, 10}, SizeRow{172, "Fish 1", 32, 8}, SizeRow{177, "Fish 6", 32, 8},
        SizeRow{178, "Fish 7", 32, 10}, SizeRow{179, "Fish 8", 32, 6}, SizeRow{180, "Butterfly 1", 32, 4},
        SizeRow{182, "Beetle 1", 32, 3}, SizeRow{183, "Beetle 2", 32, 2}, SizeRow{186, "Ants", 32, 6},
        SizeRow{187, "Spider", 32, 4}, SizeRow{188, "Gnu", 32, 10}, SizeRow{189, "Bats", 32, 6},
        SizeRow{192, "Leopard", 32, 8}, SizeRow{193, "Cat", 32, 3}, SizeRow{194, "Dinosaur 1", 32, 6},
        SizeRow{196, "Dinosaur 3", 32, 6}, SizeRow{197, "Star 1", 18, 1}, SizeRow{200, "Star 4", 26, 1},
        SizeRow{204, "Star 8", 32, 1}, SizeRow{205, "Stone 1", 16, 1}, SizeRow{212, "Stone 8", 32, 1},
        SizeRow{213, "Earth", 32, 1}, SizeRow{219, "Venus", 32, 1}, SizeRow{220, "Sun", 32, 5},
        SizeRow{221, "Rocket", 32, 5}, SizeRow{222, "Spaceship", 32, 4}, SizeRow{223, "Meteor", 26, 5},
        SizeRow{224, "Baseball", 26, 1}, SizeRow{227, "Rugby Ball", 28, 1}, SizeRow{228, "Football", 32, 1},
        SizeRow{229, "Basketball", 32, 1}),
    [](const ::testing::TestParamInfo<SizeRow>& info) { return CaseName(info.param.name); });

TEST(BrushTables, NumberedNamesRunWithoutGaps) {
  // Every numbered category counts 1, 2, 3... in brush order.
  for (int c : {2, 3, 4, 5, 6, 7, 10, 12, 15, 16, 17}) {
    const std::vector<int> brushes = BrushesOfCategory(c);
    for (size_t i = 0; i < brushes.size(); ++i)
      EXPECT_EQ(BrushName(brushes[i]), std::string(BrushCategoryCaption(c)) + " " + std::to_string(i + 1))
          << "brush " << brushes[i];
  }
}

TEST(BrushTables, SportsBallListsSixBrushesBaseballFirst) {
  const std::vector<int> brushes = BrushesOfCategory(19);
  ASSERT_EQ(brushes.size(), 6u);
  EXPECT_STREQ(BrushName(brushes.front()), "Baseball");
  EXPECT_STREQ(BrushName(brushes.back()), "Basketball");
}

TEST(BrushTables, EveryImageBrushHasAFrameSizeAndOneCategory) {
  int total = 0;
  for (int c = 0; c < BrushCategoryCount(); ++c) total += int(BrushesOfCategory(c).size());
  EXPECT_EQ(total, kBrushCount);
  for (int b = kDotBrushCount; b < kBrushCount; ++b) {
    EXPECT_GE(BrushWidth(b), 4) << b;
    EXPECT_LE(BrushWidth(b), 32) << b;
    EXPECT_GE(BrushFrames(b), 1) << b;
    EXPECT_NE(std::string(BrushName(b)), "") << b;
  }
}

TEST(BrushTables, OutOfRangeNumbersGiveNeutralAnswers) {
  for (int b : {-1, kBrushCount, 1000, -2147483647 - 1}) {
    EXPECT_EQ(BrushCategory(b), -1);
    EXPECT_STREQ(BrushName(b), "");
    EXPECT_EQ(BrushWidth(b), 0);
    EXPECT_EQ(BrushFrames(b), 0);
    EXPECT_FALSE(IsImageBrush(b));
  }
  for (int c : {-1, 20}) {
    EXPECT_STREQ(BrushCategoryCaption(c), "");
    EXPECT_EQ(BrushCategoryIcon(c), -1);
    EXPECT_TRUE(BrushesOfCategory(c).empty());
  }
}

}  // namespace
}  // namespace plumavo
