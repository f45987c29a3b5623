// Brush numbering, categories, names and image sizes. Pure tables: no pixels,
// so the asset generator can share them with the program.
#pragma once

#include <vector>

#include "model/project.h"  // kBrushCount: brush numbers 0..229

namespace plumavo {

inline constexpr int kDotBrushCount = 3;  // brushes 0..2 are square dots
inline constexpr int kBrushCategoryCount = 20;
inline constexpr int kBrushListCount = kBrushCount + 1;  // scratch entries 0..3, brush v in v + 1
inline constexpr int kBrushIconSize = 16;

// Category index of a brush, -1 when the number is out of range.
int BrushCategory(int brush);
// Caption of a brush in the brush box; "" when out of range.
const char* BrushName(int brush);

int BrushCategoryCount();
// Caption of a category in the category box; "" when out of range.
const char* BrushCategoryCaption(int category);
// Brush whose icon stands for the category; -1 when out of range.
int BrushCategoryIcon(int category);
// First and last brush number of a category; false when out of range.
bool BrushCategoryRange(int category, int& first, int& last);

// Side of one square frame in pixels and the number of frames stacked top to
// bottom. Dots report their side (1, 2, 3) and one frame; out of range gives 0.
int BrushWidth(int brush);
int BrushFrames(int brush);
inline bool IsImageBrush(int brush) { return brush >= kDotBrushCount && brush < kBrushCount; }

// The brush numbers of a category in brush-box order (empty when out of range).
std::vector<int> BrushesOfCategory(int category);

}  // namespace plumavo
