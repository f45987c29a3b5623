// Draws the program's small pictures with QPainter so they can be rebuilt from
// source and carry no third-party artwork:
//   imagelist16.png  the image list, 30 icons of 16 x 16 side by side
//   cursor_*.png     32 x 32 cursors; text keys HotSpotX / HotSpotY
//   colorpanel.png   the 106 x 62 colour palette picture
//   textures16.png   the canvas textures shrunk to 16 x 16, side by side
// Usage: iconsgen <output folder> <texture folder>
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Drawing = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 48);
const QColor kPaper(250, 250, 246);
const QColor kBlue(52, 101, 164);
const QColor kLightBlue(114, 159, 207);
const QColor kRed(204, 40, 40);
const QColor kGreen(78, 154, 6);
const QColor kYellow(237, 212, 0);
const QColor kBrown(193, 125, 17);
const QColor kGrey(136, 138, 133);

QPen Pen(QColor c, double w = 1.0) {
  QPen p(c, w);
  p.setJoinStyle(Qt::RoundJoin);
  p.setCapStyle(Qt::RoundCap);
  return p;
}

void Page(QPainter& p, QRectF r) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 3, r.top());
  path.lineTo(r.right(), r.top() + 3);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(Pen(kInk));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - 3, r.top()), QPointF(r.right() - 3, r.top() + 3));
  p.drawLine(QPointF(r.right() - 3, r.top() + 3), QPointF(r.right(), r.top() + 3));
}

void Arrow(QPainter& p, QPointF from, QPointF to, QColor c, double w = 1.6) {
  p.setPen(Pen(c, w));
  p.drawLine(from, to);
  const double a = std::atan2(to.y() - from.y(), to.x() - from.x());
  const double h = 3.5;
  p.drawLine(to, to - QPointF(h * std::cos(a - 0.6), h * std::sin(a - 0.6)));
  p.drawLine(to, to - QPointF(h * std::cos(a + 0.6), h * std::sin(a + 0.6)));
}

void CurvedArrow(QPainter& p, bool redo) {
  p.save();
  if (redo) {
    p.translate(16, 0);
    p.scale(-1, 1);
  }
  QPainterPath path;
  path.moveTo(4, 7);
  path.cubicTo(7, 3, 14, 4, 13, 10);
  path.cubicTo(12.5, 12.5, 10, 13.5, 8, 13.5);
  p.setPen(Pen(kBlue, 1.8));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawPolygon(QPolygonF({QPointF(1.5, 4), QPointF(7, 4.5), QPointF(3, 9.5)}));
  p.restore();
}

void Folder(QPainter& p) {
  p.setPen(Pen(QColor(143, 89, 2)));
  p.setBrush(QColor(233, 185, 110));
  p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5), QPointF(14.5, 5), QPointF(14.5, 13.5),
                           QPointF(1.5, 13.5)}));
  p.setBrush(QColor(252, 233, 170));
  p.drawPolygon(QPolygonF({QPointF(1.5, 13.5), QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(14.5, 13.5)}));
}

void Picture(QPainter& p, QRectF r) {
  p.setPen(Pen(kInk));
  p.setBrush(QColor(190, 220, 250));
  p.drawRect(r);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawPolygon(
      QPolygonF({QPointF(r.left() + 0.5, r.bottom()), QPointF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.45),
                 QPointF(r.left() + r.width() * 0.7, r.bottom() - r.height() * 0.3), QPointF(r.right(), r.bottom())}));
  p.setBrush(kYellow);
  p.drawEllipse(QPointF(r.right() - r.width() * 0.25, r.top() + r.height() * 0.3), 1.5, 1.5);
}

void Triangle(QPainter& p, QColor fill) {
  p.setPen(Pen(kInk));
  p.setBrush(fill);
  p.drawPolygon(QPolygonF({QPointF(8, 2), QPointF(14.5, 13.5), QPointF(1.5, 13.5)}));
}

void Eye(QPainter& p, bool open) {
  QPainterPath lid;
  lid.moveTo(1, 8);
  lid.quadTo(8, 1, 15, 8);
  lid.quadTo(8, 15, 1, 8);
  p.setPen(Pen(kInk));
  p.setBrush(open ? kPaper : QColor(220, 220, 220));
  p.drawPath(lid);
  if (open) {
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 2.8, 2.8);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(8, 8), 1.1, 1.1);
  } else {
    p.setPen(Pen(kRed, 1.6));
    p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
  }
}

void Scissors(QPainter& p) {
  p.setPen(Pen(kGrey, 1.4));
  p.drawLine(QPointF(4, 1.5), QPointF(10.5, 11));
  p.drawLine(QPointF(12, 1.5), QPointF(5.5, 11));
  p.setPen(Pen(kRed, 1.4));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(4.5, 12.5), 2.3, 2.3);
  p.drawEllipse(QPointF(11.5, 12.5), 2.3, 2.3);
}

void Printer(QPainter& p) {
  p.setPen(Pen(kInk));
  p.setBrush(kPaper);
  p.drawRect(QRectF(4.5, 1.5, 7, 5));
  p.setBrush(kGrey);
  p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
  p.setBrush(kPaper);
  p.drawRect(QRectF(4.5, 10.5, 7, 4));
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawEllipse(QPointF(12.5, 8.5), 0.8, 0.8);
}

void Magnifier(QPainter& p) {
  p.setPen(Pen(kInk, 1.2));
  p.setBrush(QColor(210, 230, 250));
  p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
  p.setPen(Pen(kBrown, 2.4));
  p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
}

void Question(QPainter& p) {
  p.setPen(Pen(QColor(32, 74, 135)));
  p.setBrush(kBlue);
  p.drawEllipse(QPointF(8, 8), 7, 7);
  QPainterPath q;
  q.moveTo(5.6, 6);
  q.cubicTo(5.6, 2.8, 10.6, 2.8, 10.6, 5.8);
  q.cubicTo(10.6, 7.8, 8, 7.6, 8, 10);
  p.setPen(Pen(Qt::white, 1.8));
  p.setBrush(Qt::NoBrush);
  p.drawPath(q);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(8, 12.6), 1.1, 1.1);
}

void Gear(QPainter& p) {
  QPainterPath g;
  for (int i = 0; i < 16; ++i) {
    const double a = i * M_PI / 8;
    const double r = (i % 2 == 0) ? 7 : 5.3;
    const QPointF pt(8 + r * std::cos(a), 8 + r * std::sin(a));
    if (i == 0)
      g.moveTo(pt);
    else
      g.lineTo(pt);
  }
  g.closeSubpath();
  g.addEllipse(QPointF(8, 8), 2.2, 2.2);
  p.setPen(Pen(kInk));
  p.setBrush(kGrey);
  p.drawPath(g);
}

// The image list in index order; 25..29 are the status and shapes icons.
std::vector<Drawing> ImageList() {
  return {
      /* 0 New */ [](QPainter& p) { Page(p, QRectF(3.5, 1.5, 9, 13)); },
      /* 1 Open */ [](QPainter& p) { Folder(p); },
      /* 2 Save */
      [](QPainter& p) {
        p.setPen(Pen(QColor(32, 74, 135)));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
        p.setBrush(kPaper);
        p.drawRect(QRectF(4, 1.5, 8, 5));
        p.setBrush(kGrey);
        p.drawRect(QRectF(4.5, 9.5, 7, 5));
      },
      /* 3 Export */
      [](QPainter& p) {
        Picture(p, QRectF(1.5, 3.5, 10, 9));
        Arrow(p, QPointF(8, 9), QPointF(15, 9), kRed);
      },
      /* 4 Cut */ [](QPainter& p) { Scissors(p); },
      /* 5 Copy */
      [](QPainter& p) {
        Page(p, QRectF(1.5, 1.5, 8, 10));
        Page(p, QRectF(6.5, 4.5, 8, 10));
      },
      /* 6 Paste */
      [](QPainter& p) {
        p.setPen(Pen(QColor(143, 89, 2)));
        p.setBrush(kBrown);
        p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1, 1);
        p.setBrush(kGrey);
        p.drawRect(QRectF(4.5, 1.5, 4, 2.5));
        Page(p, QRectF(7.5, 6.5, 7, 8.5));
      },
      /* 7 Clear */
      [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(QColor(245, 121, 160));
        p.drawPolygon(
            QPolygonF({QPointF(1.5, 10), QPointF(8, 3.5), QPointF(14.5, 10), QPointF(10.5, 14), QPointF(5.5, 14)}));
        p.setBrush(kPaper);
        p.drawPolygon(
            QPolygonF({QPointF(1.5, 10), QPointF(4.7, 6.8), QPointF(11.2, 13.3), QPointF(10.5, 14), QPointF(5.5, 14)}));
      },
      /* 8 Zoom */ [](QPainter& p) { Magnifier(p); },
      /* 9 Help */ [](QPainter& p) { Question(p); },
      /* 10 Undo */ [](QPainter& p) { CurvedArrow(p, false); },
      /* 11 Redo */ [](QPainter& p) { CurvedArrow(p, true); },
      /* 12 Delete */
      [](QPainter& p) {
        p.setPen(Pen(kRed, 2.4));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
      },
      /* 13 Print */ [](QPainter& p) { Printer(p); },
      /* 14 Print preview */
      [](QPainter& p) {
        Page(p, QRectF(1.5, 1.5, 10, 13));
        p.save();
        p.translate(4, 4);
        p.scale(0.75, 0.75);
        Magnifier(p);
        p.restore();
      },
      /* 15 Print setup */
      [](QPainter& p) {
        Printer(p);
        p.save();
        p.translate(7, 7);
        p.scale(0.55, 0.55);
        Gear(p);
        p.restore();
      },
      /* 16 Exit */
      [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(kBrown);
        p.drawRect(QRectF(2.5, 1.5, 8, 13));
        Arrow(p, QPointF(7, 8), QPointF(15, 8), kGreen);
      },
      /* 17 Size and colour */
      [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(kPaper);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        Arrow(p, QPointF(4, 12), QPointF(12.5, 3.5), kBlue, 1.4);
      },
      /* 18 Preferences */ [](QPainter& p) { Gear(p); },
      /* 19 Import background */
      [](QPainter& p) {
        Picture(p, QRectF(4.5, 3.5, 10, 9));
        Arrow(p, QPointF(0.5, 8), QPointF(7, 8), kGreen);
      },
      /* 20 Clear background */
      [](QPainter& p) {
        Picture(p, QRectF(1.5, 2.5, 12, 10));
        p.setPen(Pen(kRed, 2));
        p.drawLine(QPointF(9, 9), QPointF(14.5, 14.5));
        p.drawLine(QPointF(14.5, 9), QPointF(9, 14.5));
      },
      /* 21 Record */
      [](QPainter& p) {
        p.setPen(Pen(QColor(164, 0, 0)));
        p.setBrush(kRed);
        p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
      },
      /* 22 Stop */
      [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(kGrey);
        p.drawRect(QRectF(3.5, 3.5, 9, 9));
      },
      /* 23 Play */
      [](QPainter& p) {
        p.setPen(Pen(QColor(52, 101, 4)));
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13.5, 8), QPointF(4, 13.5)}));
      },
      /* 24 Select all */
      [](QPainter& p) {
        QPen dash = Pen(kInk);
        dash.setDashPattern({2, 2});
        p.setPen(dash);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.save();
        p.translate(3, 3);
        p.scale(0.62, 0.62);
        Triangle(p, kLightBlue);
        p.restore();
      },
      /* 25 Cursor position */
      [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(3, 1), QPointF(3, 13), QPointF(6, 10), QPointF(8.5, 14.5), QPointF(10.5, 13.5),
                                 QPointF(8, 9.5), QPointF(12, 9.5)}));
      },
      /* 26 Affine */ [](QPainter& p) { Triangle(p, kLightBlue); },
      /* 27 Projective */
      [](QPainter& p) {
        p.setPen(Pen(kInk));
        p.setBrush(QColor(138, 226, 52));
        p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13.5, 4), QPointF(12, 13.5), QPointF(1.5, 11)}));
      },
      /* 28 Shapes shown */ [](QPainter& p) { Eye(p, true); },
      /* 29 Shapes hidden */ [](QPainter& p) { Eye(p, false); },
  };
}

QImage Strip(const std::vector<Drawing>& icons, int size) {
  QImage img(int(icons.size()) * size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  for (size_t i = 0; i < icons.size(); ++i) {
    p.save();
    p.translate(double(i) * size, 0);
    p.scale(size / 16.0, size / 16.0);
    icons[i](p);
    p.restore();
  }
  return img;
}

struct Cursor {
  const char* Name;
  int HotX, HotY;
  Drawing Draw;  // in a 32 x 32 box
};

void Outlined(QPainter& p, const QPainterPath& path, QColor fill) {
  p.setPen(Pen(Qt::white, 3));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.setPen(Pen(Qt::black, 1));
  p.setBrush(fill);
  p.drawPath(path);
}

std::vector<Cursor> Cursors() {
  return {
      // A vertex mover: a small square handle with four arrows, hot spot in the middle.
      {"MOVEV", 15, 15,
       [](QPainter& p) {
         QPainterPath path;
         const QPointF c(15.5, 15.5);
         for (int k = 0; k < 4; ++k) {
           QTransform t;
           t.translate(c.x(), c.y());
           t.rotate(90.0 * k);
           QPolygonF head({QPointF(0, -13), QPointF(4, -8), QPointF(-4, -8)});
           path.addPolygon(t.map(head));
           path.closeSubpath();
           path.addRect(t.mapRect(QRectF(-1, -9, 2, 5)));
         }
         path.addRect(QRectF(12.5, 12.5, 6, 6));
         Outlined(p, path, Qt::black);
         p.setPen(Pen(Qt::black));
         p.setBrush(Qt::white);
         p.drawRect(QRectF(13.5, 13.5, 4, 4));
       }},
      // An eyedropper whose tip is the hot spot at the lower left.
      {"EYEDROP", 1, 30,
       [](QPainter& p) {
         QPainterPath body;
         body.moveTo(1.5, 30.5);
         body.lineTo(3, 25);
         body.lineTo(17, 11);
         body.lineTo(21, 15);
         body.lineTo(7, 29);
         body.closeSubpath();
         Outlined(p, body, QColor(220, 235, 255));
         QPainterPath bulb;
         bulb.addRoundedRect(QRectF(18, 3, 11, 11), 4, 4);
         QTransform t;
         t.translate(23.5, 8.5);
         t.rotate(45);
         t.translate(-23.5, -8.5);
         Outlined(p, t.map(bulb), QColor(60, 60, 60));
       }},
      // A shape mover: four arrows, hot spot in the middle.
      {"MOVE", 15, 15,
       [](QPainter& p) {
         QPainterPath path;
         const QPointF c(15.5, 15.5);
         for (int k = 0; k < 4; ++k) {
           QTransform t;
           t.translate(c.x(), c.y());
           t.rotate(90.0 * k);
           path.addPolygon(t.map(QPolygonF({QPointF(0, -14), QPointF(5, -8), QPointF(-5, -8)})));
           path.closeSubpath();
         }
         path.addRect(QRectF(14, 7, 3, 17));
         path.addRect(QRectF(7, 14, 17, 3));
         path.setFillRule(Qt::WindingFill);
         Outlined(p, path.simplified(), Qt::black);
       }},
      // A pencil drawing from its tip at the lower left.
      {"PENCIL", 1, 30,
       [](QPainter& p) {
         QPainterPath body;
         body.moveTo(1.5, 30.5);
         body.lineTo(3.5, 23);
         body.lineTo(22, 4.5);
         body.lineTo(27.5, 10);
         body.lineTo(9, 28.5);
         body.closeSubpath();
         Outlined(p, body, kYellow);
         QPainterPath tip;
         tip.moveTo(1.5, 30.5);
         tip.lineTo(3.5, 23);
         tip.lineTo(9, 28.5);
         tip.closeSubpath();
         p.setPen(Pen(Qt::black));
         p.setBrush(QColor(233, 185, 110));
         p.drawPath(tip);
         p.setBrush(Qt::black);
         p.drawPolygon(QPolygonF({QPointF(1.5, 30.5), QPointF(2.3, 27.5), QPointF(4.5, 29.7)}));
         p.setBrush(QColor(245, 121, 160));
         p.drawPolygon(QPolygonF({QPointF(22, 4.5), QPointF(24.5, 2), QPointF(30, 7.5), QPointF(27.5, 10)}));
       }},
      // A pointing hand, the fingertip is the hot spot.
      {"HAND", 11, 1,
       [](QPainter& p) {
         QPainterPath hand;
         hand.addRoundedRect(QRectF(9, 1, 5, 16), 2.5, 2.5);
         hand.addRoundedRect(QRectF(14, 9, 4.5, 9), 2.2, 2.2);
         hand.addRoundedRect(QRectF(18.5, 10, 4.5, 9), 2.2, 2.2);
         hand.addRoundedRect(QRectF(23, 11.5, 4.5, 8.5), 2.2, 2.2);
         hand.addRoundedRect(QRectF(9, 14, 18.5, 12), 4, 4);
         QPainterPath thumb;
         thumb.moveTo(9.5, 22);
         thumb.lineTo(4, 15);
         thumb.quadTo(6, 12.5, 9, 15);
         thumb.closeSubpath();
         hand.addPath(thumb);
         hand.setFillRule(Qt::WindingFill);
         Outlined(p, hand.simplified(), Qt::white);
       }},
  };
}

// The palette: hue falls across the width from red through magenta, blue,
// cyan, green and yellow back to red; rows run from black through the full
// colour (middle) to white.
QImage ColorPanel() {
  const int w = 106, h = 62;
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    const double t = double(y) / (h - 1);
    for (int x = 0; x < w; ++x) {
      const double hue = std::fmod(360.0 - 360.0 * x / w, 360.0);
      const QColor full = QColor::fromHsvF(float(hue / 360.0), 1.0f, 1.0f);
      double r = full.redF(), g = full.greenF(), b = full.blueF();
      if (t <= 0.5) {
        const double k = t / 0.5;
        r *= k, g *= k, b *= k;
      } else {
        const double k = (t - 0.5) / 0.5;
        r += (1 - r) * k, g += (1 - g) * k, b += (1 - b) * k;
      }
      img.setPixel(x, y, qRgb(int(std::lround(r * 255)), int(std::lround(g * 255)), int(std::lround(b * 255))));
    }
  }
  return img;
}

bool Save(const QImage& img, const QString& path) {
  if (!img.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// The texture list's icons: every texture of the folder shrunk to 16 x 16,
// side by side in the order of their file names, which is the list's order.
// Made here once rather than by the window at each start, where decoding the
// full textures took a core for a third of a second.
bool SaveTextureIcons(const QDir& textures, const QString& fileName) {
  const QStringList names = textures.entryList({"*.jpg"}, QDir::Files, QDir::Name);
  if (names.isEmpty()) {
    std::fprintf(stderr, "iconsgen: no textures in %s\n", qPrintable(textures.path()));
    return false;
  }
  QImage strip(16 * int(names.size()), 16, QImage::Format_ARGB32);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  for (int i = 0; i < names.size(); ++i) {
    const QImage texture(textures.filePath(names[i]));
    if (texture.isNull()) {
      std::fprintf(stderr, "iconsgen: cannot read %s\n", qPrintable(textures.filePath(names[i])));
      return false;
    }
    p.drawImage(16 * i, 0, texture.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
  p.end();
  return Save(strip, fileName);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: iconsgen <output folder> <texture folder>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.exists() && !QDir().mkpath(out.path())) return 1;
  bool ok = Save(Strip(ImageList(), 16), out.filePath("imagelist16.png"));
  for (const Cursor& c : Cursors()) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing);
      c.Draw(p);
    }
    img.setText("HotSpotX", QString::number(c.HotX));
    img.setText("HotSpotY", QString::number(c.HotY));
    ok = Save(img, out.filePath(QString("cursor_%1.png").arg(QString(c.Name).toLower()))) && ok;
  }
  ok = Save(ColorPanel(), out.filePath("colorpanel.png")) && ok;
  ok = SaveTextureIcons(QDir(QString::fromLocal8Bit(argv[2])), out.filePath("textures16.png")) && ok;
  return ok ? 0 : 1;
}
