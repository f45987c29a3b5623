#include "app/tips.h"

#include <QFile>

namespace plumavo {

QStringList ReadTips(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QString text = QString::fromUtf8(f.readAll());
  QStringList lines;
  QString current;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == '\r' || c == '\n') {
      lines.append(current);
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current.append(c);
    }
  }
  if (!current.isEmpty()) lines.append(current);
  return lines;
}

int FirstTipIndex(int storedIndex, int tipCount) {
  if (storedIndex == -1) return 0;
  const long long next = (long long)storedIndex + 1;
  return next >= tipCount || next < 0 ? 0 : int(next);
}

int NextTipIndex(int index, int tipCount) { return index + 1 >= tipCount ? 0 : index + 1; }

int PreviousTipIndex(int index, int tipCount) {
  if (index - 1 >= 0) return index - 1;
  return tipCount > 0 ? tipCount - 1 : 0;
}

}  // namespace plumavo
