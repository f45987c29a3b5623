// Makes the brush images and icons, packs them into brushes.bin and draws a
// contact sheet of every frame. Run it through make_brushes.sh.
//   brushgen <output folder> [sheet zoom]
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "brushes.h"
#include "paint.h"
#include "render/brushes/brush_blob.h"
#include "render/brushes/brush_tables.h"

namespace {

using plumavo::BrushPixels;

// Straight-alpha pixels of a premultiplied image scaled down to side x side.
// Specks of alpha too faint to see are cleared, so the background is truly
// transparent.
std::vector<uint32_t> Shrink(const QImage& frame, int side) {
  const QImage small =
      frame.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_ARGB32);
  std::vector<uint32_t> px(size_t(side) * size_t(side));
  for (int y = 0; y < side; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(small.constScanLine(y));
    for (int x = 0; x < side; ++x) px[size_t(y * side + x)] = qAlpha(row[x]) < 6 ? 0u : uint32_t(row[x]);
  }
  return px;
}

QImage ToImage(const BrushPixels& b) {
  QImage img(b.width, b.height, QImage::Format_ARGB32);
  for (int y = 0; y < b.height; ++y)
    std::copy_n(b.pixels.begin() + std::ptrdiff_t(y) * b.width, b.width, reinterpret_cast<QRgb*>(img.scanLine(y)));
  return img;
}

void Checker(QPainter& p, const QRect& r) {
  for (int y = r.top(); y <= r.bottom(); y += 6)
    for (int x = r.left(); x <= r.right(); x += 6)
      p.fillRect(QRect(x, y, 6, 6).intersected(r),
                 ((x - r.left()) / 6 + (y - r.top()) / 6) % 2 ? QColor(200, 200, 200) : QColor(235, 235, 235));
}

QImage ContactSheet(const plumavo::BrushAssets& assets, int zoom) {
  const int colW = 640 * zoom, rowH = 36 * zoom, headH = 22, cols = 4, labelW = 150;
  struct Item {
    int brush;
    bool header;
  };
  std::vector<Item> items;
  for (int c = 0; c < plumavo::BrushCategoryCount(); ++c) {
    items.push_back({c, true});
    for (int b : plumavo::BrushesOfCategory(c)) items.push_back({b, false});
  }
  auto height = [&](const Item& it) { return it.header ? headH : (plumavo::IsImageBrush(it.brush) ? rowH : 20); };
  int total = 0;
  for (const Item& it : items) total += height(it);
  const int colH = total / cols + rowH * 2;
  QImage sheet(colW * cols, colH, QImage::Format_RGB32);
  sheet.fill(QColor(250, 250, 250));
  QPainter p(&sheet);
  QFont font("DejaVu Sans");
  font.setPixelSize(11);
  int col = 0, y = 0;
  for (const Item& it : items) {
    if (y + height(it) > colH) ++col, y = 0;
    const int x = col * colW + 6;
    if (it.header) {
      font.setBold(true);
      p.setFont(font);
      p.setPen(QColor(20, 60, 120));
      p.drawText(QRect(x, y, colW, headH), Qt::AlignVCenter, plumavo::BrushCategoryCaption(it.brush));
    } else {
      font.setBold(false);
      p.setFont(font);
      p.setPen(Qt::black);
      const int b = it.brush;
      p.drawImage(QRect(x, y + 2, 16, 16), ToImage(assets.icons[size_t(b)]));
      p.drawText(QRect(x + 20, y, labelW, 20), Qt::AlignVCenter, QString("%1 %2").arg(b).arg(plumavo::BrushName(b)));
      if (plumavo::IsImageBrush(b)) {
        const QImage strip = ToImage(assets.images[size_t(b - plumavo::kDotBrushCount)]);
        const int w = plumavo::BrushWidth(b);
        for (int f = 0; f < plumavo::BrushFrames(b); ++f) {
          const QRect dst(x + labelW + 20 + f * (w + 2) * zoom, y + 2, w * zoom, w * zoom);
          Checker(p, dst);
          p.drawImage(dst, strip.copy(0, f * w, w, w));
        }
      }
    }
    y += height(it);
  }
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: brushgen <output folder> [sheet zoom]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const int zoom = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 4) : 1;

  plumavo::BrushAssets assets;
  int warnings = 0;
  for (int b = plumavo::kDotBrushCount; b < plumavo::kBrushCount; ++b) {
    const int w = plumavo::BrushWidth(b), n = plumavo::BrushFrames(b);
    BrushPixels img;
    img.width = w;
    img.height = w * n;
    for (int f = 0; f < n; ++f) {
      const std::vector<uint32_t> px = Shrink(brushgen::RenderFrame(b, f), w);
      int lo = 255, hi = 0;
      for (uint32_t p : px) lo = std::min(lo, int(p >> 24)), hi = std::max(hi, int(p >> 24));
      if (lo != 0 || hi < 200) {
        std::fprintf(stderr, "warning: brush %d frame %d alpha range %d..%d\n", b, f, lo, hi);
        ++warnings;
      }
      img.pixels.insert(img.pixels.end(), px.begin(), px.end());
    }
    if (std::none_of(img.pixels.begin(), img.pixels.end(), [](uint32_t p) { return (p >> 24) == 255; })) {
      std::fprintf(stderr, "warning: brush %d has no fully opaque pixel\n", b);
      ++warnings;
    }
    assets.images.push_back(std::move(img));
  }
  for (int b = 0; b < plumavo::kBrushCount; ++b) {
    const QImage icon = plumavo::IsImageBrush(b) ? brushgen::RenderFrame(b, 0) : brushgen::RenderDotIcon(b);
    assets.icons.push_back({plumavo::kBrushIconSize, plumavo::kBrushIconSize, Shrink(icon, plumavo::kBrushIconSize)});
  }

  std::vector<uint8_t> blob;
  std::string error;
  if (!plumavo::EncodeBrushBlob(assets, blob, &error)) {
    std::fprintf(stderr, "brushgen: %s\n", error.c_str());
    return 1;
  }
  QFile file(out + "/brushes.bin");
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(reinterpret_cast<const char*>(blob.data()), qint64(blob.size())) != qint64(blob.size())) {
    std::fprintf(stderr, "brushgen: cannot write %s\n", qPrintable(file.fileName()));
    return 1;
  }
  file.close();
  const QString sheetName = out + (zoom == 1 ? "/contact-sheet.png" : QString("/contact-sheet-x%1.png").arg(zoom));
  const QImage sheet = ContactSheet(assets, zoom);
  if (zoom > 1)  // zoomed sheets are for looking at closely: one file per column
    for (int c = 0; c < 4; ++c)
      for (int part = 0; part < 4; ++part)
        sheet.copy(c * sheet.width() / 4, part * sheet.height() / 4, sheet.width() / 4 * 3 / 4, sheet.height() / 4)
            .save(out + QString("/contact-sheet-x%1-col%2-%3.png").arg(zoom).arg(c).arg(part));
  if (!sheet.save(sheetName)) {
    std::fprintf(stderr, "brushgen: cannot write %s\n", qPrintable(sheetName));
    return 1;
  }
  std::printf("brushes.bin: %zu bytes, %d warnings\n", blob.size(), warnings);
  return 0;
}
