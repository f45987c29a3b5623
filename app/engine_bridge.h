// The brush library and blend mode names as the side panel needs them, in
// Qt's types.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

namespace plumavo::engine {

QStringList BlendModeCaptions();
int CategoryCount();
QString CategoryCaption(int category);
// The category of a brush number, -1 when out of range.
int CategoryOf(int brush);
// The brush whose icon stands for the category.
int CategoryIconBrush(int category);
std::vector<int> BrushesOf(int category);
QString BrushCaption(int brush);
// A copy of the 16 x 16 brush icon (null image when out of range).
QImage BrushIconImage(int brush);

}  // namespace plumavo::engine
