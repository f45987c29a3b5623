// The tips file: one tip per line, every line (an empty one too) a tip.
#pragma once

#include <QString>
#include <QStringList>

namespace plumavo {

// Lines split at CR LF, CR or LF; a final line break ends the last tip rather
// than starting an empty one. A missing or unreadable file has no tips.
QStringList ReadTips(const QString& path);

// Where a showing of the dialog starts: after the tip shown last, wrapping.
int FirstTipIndex(int storedIndex, int tipCount);
int NextTipIndex(int index, int tipCount);
int PreviousTipIndex(int index, int tipCount);

}  // namespace plumavo
