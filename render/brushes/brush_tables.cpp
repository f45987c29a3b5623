#include "render/brushes/brush_tables.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace plumavo {
using std::size_t;
namespace {

struct Category {
  const char* caption;
  int icon;
  int first;
  int last;
};

constexpr std::array<Category, kBrushCategoryCount> kCategories = {{
    {"Dot", 2, 0, 2},
    {"Stem", 13, 3, 20},
    {"Leaves", 30, 21, 38},
    {"Flower", 50, 39, 61},
    {"3D Ball", 70, 62, 79},
    {"3D Ring", 90, 80, 90},
    {"Crystal Ball", 102, 91, 106},
    {"Jelly", 120, 107, 120},
    {"Mixed", 140, 121, 140},
    {"Particle System", 151, 141, 155},
    {"Sparkle", 163, 156, 165},
    {"Bird", 169, 166, 171},
    {"Fish", 173, 172, 179},
    {"Insect", 187, 180, 187},
    {"Animal(Misc)", 193, 188, 193},
    {"Dinosaur", 196, 194, 196},
    {"Star", 200, 197, 204},
    {"Stone", 212, 205, 212},
    {"Space", 219, 213, 223},
    {"Sports Ball", 229, 224, 229},
}};

// Image sizes as runs: `count` neighbouring brushes with frames of side
// `width` and `frames` frames each, in brush order from brush 3.
struct Run {
  uint8_t width;
  uint8_t frames;
  uint8_t count;
};

constexpr Run kRuns[] = {
    // Stem
    {4, 1, 9},
    {6, 1, 9},
    // Leaves
    {32, 2, 1},
    {32, 5, 1},
    {32, 2, 1},
    {32, 3, 1},
    {32, 2, 9},
    {32, 4, 1},
    {32, 2, 2},
    {32, 8, 1},
    {32, 6, 1},
    // Flower
    {32, 4, 1},
    {32, 3, 2},
    {32, 4, 1},
    {32, 2, 1},
    {32, 3, 3},
    {32, 4, 1},
    {32, 3, 2},
    {32, 4, 2},
    {32, 3, 5},
    {32, 4, 1},
    {32, 3, 4},
    // 3D Ball
    {4, 1, 1},
    {6, 1, 1},
    {8, 1, 1},
    {12, 1, 1},
    {16, 1, 1},
    {22, 1, 1},
    {26, 1, 1},
    {28, 1, 1},
    {32, 1, 1},
    {12, 1, 1},
    {16, 1, 1},
    {20, 1, 1},
    {12, 1, 1},
    {16, 1, 1},
    {20, 1, 1},
    {26, 1, 1},
    {28, 1, 1},
    {32, 1, 1},
    // 3D Ring
    {8, 1, 1},
    {10, 1, 1},
    {12, 1, 1},
    {16, 1, 1},
    {20, 1, 1},
    {22, 1, 1},
    {26, 1, 1},
    {28, 1, 1},
    {32, 1, 3},
    // Crystal Ball
    {8, 1, 1},
    {12, 1, 9},
    {22, 1, 1},
    {26, 1, 1},
    {32, 1, 1},
    {26, 1, 1},
    {28, 1, 1},
    {32, 1, 1},
    // Jelly
    {12, 1, 8},
    {16, 1, 1},
    {20, 1, 1},
    {22, 1, 1},
    {26, 1, 1},
    {30, 1, 1},
    {32, 1, 1},
    // Mixed
    {24, 9, 2},
    {24, 6, 1},
    {24, 4, 4},
    {24, 8, 1},
    {24, 9, 1},
    {24, 6, 2},
    {24, 14, 1},
    {24, 6, 1},
    {24, 8, 1},
    {24, 5, 2},
    {24, 6, 4},
    // Particle System
    {24, 6, 10},
    {24, 4, 5},
    // Sparkle
    {24, 3, 4},
    {24, 5, 1},
    {32, 3, 4},
    {32, 5, 1},
    // Bird
    {32, 10, 1},
    {32, 8, 1},
    {32, 4, 2},
    {32, 9, 1},
    {32, 10, 1},
    // Fish
    {32, 8, 1},
    {32, 10, 1},
    {32, 8, 1},
    {32, 10, 1},
    {32, 8, 2},
    {32, 10, 1},
    {32, 6, 1},
    // Insect
    {32, 4, 2},
    {32, 3, 1},
    {32, 2, 1},
    {32, 6, 3},
    {32, 4, 1},
    // Animal(Misc)
    {32, 10, 1},
    {32, 6, 1},
    {32, 4, 2},
    {32, 8, 1},
    {32, 3, 1},
    // Dinosaur
    {32, 6, 3},
    // Star
    {18, 1, 1},
    {20, 1, 1},
    {22, 1, 1},
    {26, 1, 2},
    {28, 1, 1},
    {30, 1, 1},
    {32, 1, 1},
    // Stone
    {16, 1, 1},
    {18, 1, 1},
    {20, 1, 1},
    {22, 1, 1},
    {26, 1, 1},
    {28, 1, 1},
    {30, 1, 1},
    {32, 1, 1},
    // Space
    {32, 1, 7},
    {32, 5, 2},
    {32, 4, 1},
    {26, 5, 1},
    // Sports Ball
    {26, 1, 3},
    {28, 1, 1},
    {32, 1, 2},
};

struct Size {
  uint8_t width;
  uint8_t frames;
};

struct Tables {
  std::array<uint8_t, kBrushCount> category{};
  std::array<Size, kBrushCount> size{};
  bool complete = false;  // the runs cover exactly brushes 3..229
};

constexpr Tables MakeTables() {
  Tables t;
  for (int c = 0; c < kBrushCategoryCount; ++c)
    for (int b = kCategories[size_t(c)].first; b <= kCategories[size_t(c)].last; ++b)
      t.category[size_t(b)] = uint8_t(c);
  for (int b = 0; b < kDotBrushCount; ++b) t.size[size_t(b)] = {uint8_t(b + 1), 1};
  int b = kDotBrushCount;
  for (const Run& r : kRuns)
    for (int i = 0; i < r.count && b < kBrushCount; ++i) t.size[size_t(b++)] = {r.width, r.frames};
  int covered = 0;
  for (const Run& r : kRuns) covered += r.count;
  t.complete = covered == kBrushCount - kDotBrushCount;
  return t;
}

constexpr Tables kTables = MakeTables();
static_assert(kTables.complete, "the size runs must cover brushes 3..229 exactly");

constexpr bool CategoriesContiguous() {
  int next = 0;
  for (const Category& c : kCategories) {
    if (c.first != next || c.last < c.first || c.icon < c.first || c.icon > c.last) return false;
    next = c.last + 1;
  }
  return next == kBrushCount;
}
static_assert(CategoriesContiguous(), "categories must tile 0..229 in order, icons inside their range");

constexpr const char* kNames[kBrushCount] = {
    // Dot
    "1x1 Dot",
    "2x2 Dot",
    "3x3 Dot",
    // Stem
    "Green 1",
    "Green 2",
    "Green 3",
    "Yellow 1",
    "Brown 1",
    "Red 1",
    "Purple 1",
    "Cyan 1",
    "Gray 1",
    "Green 4",
    "Green 5",
    "Green 6",
    "Yellow 2",
    "Brown 2",
    "Red 2",
    "Purple 2",
    "Cyan 2",
    "Gray 2",
    // Leaves
    "Leaves 1",
    "Leaves 2",
    "Leaves 3",
    "Leaves 4",
    "Leaves 5",
    "Leaves 6",
    "Leaves 7",
    "Leaves 8",
    "Leaves 9",
    "Leaves 10",
    "Leaves 11",
    "Leaves 12",
    "Leaves 13",
    "Leaves 14",
    "Leaves 15",
    "Leaves 16",
    "Leaves 17",
    "Leaves 18",
    // Flower
    "Flower 1",
    "Flower 2",
    "Flower 3",
    "Flower 4",
    "Flower 5",
    "Flower 6",
    "Flower 7",
    "Flower 8",
    "Flower 9",
    "Flower 10",
    "Flower 11",
    "Flower 12",
    "Flower 13",
    "Flower 14",
    "Flower 15",
    "Flower 16",
    "Flower 17",
    "Flower 18",
    "Flower 19",
    "Flower 20",
    "Flower 21",
    "Flower 22",
    "Flower 23",
    // 3D Ball
    "3D Ball 1",
    "3D Ball 2",
    "3D Ball 3",
    "3D Ball 4",
    "3D Ball 5",
    "3D Ball 6",
    "3D Ball 7",
    "3D Ball 8",
    "3D Ball 9",
    "3D Ball 10",
    "3D Ball 11",
    "3D Ball 12",
    "3D Ball 13",
    "3D Ball 14",
    "3D Ball 15",
    "3D Ball 16",
    "3D Ball 17",
    "3D Ball 18",
    // 3D Ring
    "3D Ring 1",
    "3D Ring 2",
    "3D Ring 3",
    "3D Ring 4",
    "3D Ring 5",
    "3D Ring 6",
    "3D Ring 7",
    "3D Ring 8",
    "3D Ring 9",
    "3D Ring 10",
    "3D Ring 11",
    // Crystal Ball
    "Crystal Ball 1",
    "Crystal Ball 2",
    "Crystal Ball 3",
    "Crystal Ball 4",
    "Crystal Ball 5",
    "Crystal Ball 6",
    "Crystal Ball 7",
    "Crystal Ball 8",
    "Crystal Ball 9",
    "Crystal Ball 10",
    "Crystal Ball 11",
    "Crystal Ball 12",
    "Crystal Ball 13",
    "Crystal Ball 14",
    "Crystal Ball 15",
    "Crystal Ball 16",
    // Jelly
    "Jelly 1",
    "Jelly 2",
    "Jelly 3",
    "Jelly 4",
    "Jelly 5",
    "Jelly 6",
    "Jelly 7",
    "Jelly 8",
    "Jelly 9",
    "Jelly 10",
    "Jelly 11",
    "Jelly 12",
    "Jelly 13",
    "Jelly 14",
    // Mixed
    "Mixed Balls 1",
    "Mixed Balls 2",
    "Mixed Jellies",
    "Mixed Balls 3",
    "Mixed Balls 4",
    "Mixed Balls 5",
    "Mixed Balls 6",
    "Mixed Rings 1",
    "Mixed Rings 2",
    "Mixed Hearts",
    "Mixed Eggs",
    "Mixed Flowers",
    "Mixed Fishes",
    "Mixed Stars",
    "Mixed Shells 1",
    "Mixed Shells 2",
    "Mixed Stones 1",
    "Mixed Stones 2",
    "Mixed Metals 1",
    "Mixed Metals 2",
    // Particle System
    "Fire 1",
    "Fire 2",
    "Fire 3",
    "Fire 4",
    "Water 1",
    "Water 2",
    "Cloud 1",
    "Cloud 2",
    "Smoke",
    "Stars 1",
    "Stars 2",
    "Bubbles 1",
    "Bubbles 2",
    "Snowflake",
    "Water Drops",
    // Sparkle
    "Sparkle 1",
    "Sparkle 2",
    "Sparkle 3",
    "Sparkle 4",
    "Sparkle 5",
    "Sparkle 6",
    "Sparkle 7",
    "Sparkle 8",
    "Sparkle 9",
    "Sparkle 10",
    // Bird
    "Sparrow",
    "Hawk 1",
    "Hawk 2",
    "Goose",
    "Pigeon",
    "Crane",
    // Fish
    "Fish 1",
    "Fish 2",
    "Fish 3",
    "Fish 4",
    "Fish 5",
    "Fish 6",
    "Fish 7",
    "Fish 8",
    // Insect
    "Butterfly 1",
    "Butterfly 2",
    "Beetle 1",
    "Beetle 2",
    "Dragonfly",
    "Bees",
    "Ants",
    "Spider",
    // Animal(Misc)
    "Gnu",
    "Bats",
    "Crocodile",
    "Tortoise",
    "Leopard",
    "Cat",
    // Dinosaur
    "Dinosaur 1",
    "Dinosaur 2",
    "Dinosaur 3",
    // Star
    "Star 1",
    "Star 2",
    "Star 3",
    "Star 4",
    "Star 5",
    "Star 6",
    "Star 7",
    "Star 8",
    // Stone
    "Stone 1",
    "Stone 2",
    "Stone 3",
    "Stone 4",
    "Stone 5",
    "Stone 6",
    "Stone 7",
    "Stone 8",
    // Space
    "Earth",
    "Moon",
    "Jupiter",
    "Saturn",
    "Mars",
    "Phobos",
    "Venus",
    "Sun",
    "Rocket",
    "Spaceship",
    "Meteor",
    // Sports Ball
    "Baseball",
    "Golf Ball",
    "Tennis Ball",
    "Rugby Ball",
    "Football",
    "Basketball",
};

static_assert(kNames[kBrushCount - 1] != nullptr, "one name per brush");

constexpr bool InRange(int brush) { return brush >= 0 && brush < kBrushCount; }

}  // namespace

int BrushCategory(int brush) { return InRange(brush) ? kTables.category[size_t(brush)] : -1; }

const char* BrushName(int brush) { return InRange(brush) ? kNames[brush] : ""; }

int BrushCategoryCount() { return kBrushCategoryCount; }

const char* BrushCategoryCaption(int category) {
  return category >= 0 && category < kBrushCategoryCount ? kCategories[size_t(category)].caption : "";
}

int BrushCategoryIcon(int category) {
  return category >= 0 && category < kBrushCategoryCount ? kCategories[size_t(category)].icon : -1;
}

bool BrushCategoryRange(int category, int& first, int& last) {
  if (category < 0 || category >= kBrushCategoryCount) return false;
  first = kCategories[size_t(category)].first;
  last = kCategories[size_t(category)].last;
  return true;
}

int BrushWidth(int brush) { return InRange(brush) ? kTables.size[size_t(brush)].width : 0; }

int BrushFrames(int brush) { return InRange(brush) ? kTables.size[size_t(brush)].frames : 0; }

std::vector<int> BrushesOfCategory(int category) {
  std::vector<int> brushes;
  // The listing walks the category table, so it stays right even if a
  // category's brushes were ever not contiguous.
  for (int b = 0; b < kBrushCount; ++b)
    if (category >= 0 && kTables.category[size_t(b)] == category) brushes.push_back(b);
  return brushes;
}

}  // namespace plumavo
