// The look of every brush: one function per kind of subject, chosen by the
// brush number. Frames are drawn at the working size; main.cpp scales them.
#include "brushes.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <vector>

#include "paint.h"
#include "render/brushes/brush_tables.h"

namespace brushgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Smooth(double e0, double e1, double v) {
  const double t = std::clamp((v - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Phase of frame f in a loop of n frames, 0..2*pi.
double Phase(int f, int n) { return 2 * kPi * f / std::max(1, n); }

QColor C(unsigned rgb) { return QColor::fromRgb(QRgb(rgb)); }

// ---------- simple solids ----------

QImage Ball(const QColor& c, double r = 0.92) {
  return Shade([&](double x, double y) { return Sphere(x, y, 0, 0, r, c); });
}

QImage Glass(const QColor& c, double r = 0.94) {
  return Shade([&](double x, double y) { return GlassSphere(x, y, r, c); });
}

QImage Metal(const QColor& c, double r = 0.92) {
  return Shade([&](double x, double y) { return MetalSphere(x, y, r, c); });
}

QImage Ring(const QColor& c, bool metal = false) {
  return Shade([&](double x, double y) { return Torus(x, y, 0.4, 0.94, c, metal); });
}

QImage Marble(const QColor& a, const QColor& b, int seed) {
  return Shade([&](double x, double y) {
    const double t = 0.5 + 0.5 * std::sin((x * 3 + y * 2) + Fbm(x * 2 + 5, y * 2 + 3, seed) * 9);
    QColor base =
        QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                         float(a.blueF() + (b.blueF() - a.blueF()) * t));
    return Sphere(x, y, 0, 0, 0.92, base);
  });
}

// A gummy drop: a soft dome, wider than high, clear in the middle, denser
// and deeper in colour at the rim, with a glossy highlight.
QImage Jelly(const QColor& c, int seed) {
  const double wob = 0.05 * ((seed * 37) % 7 - 3) / 3.0;
  return Shade([=](double x, double y) {
    const double a = std::atan2(y, x);
    const double r = 0.9 * (1 + 0.05 * std::sin(3 * a + seed) + wob * std::sin(2 * a));
    const double dx = x / r, dy = (y - 0.1) / (r * 0.8);
    const double d2 = dx * dx + dy * dy;
    if (d2 >= 1) return RGBA{};
    const double nz = std::sqrt(1 - d2);
    const double edge = std::pow(1 - nz, 1.4);
    const QColor deep = c.darker(135);
    RGBA col = Mix(Rgb(c.lighter(115), 0.62), Rgb(deep, 1.0), edge);
    // Light passing through gathers at the lower right.
    const double gx = dx - 0.3, gy = dy - 0.35;
    col = Over(Rgb(c.lighter(150), std::exp(-(gx * gx + gy * gy) * 5) * 0.55), col);
    const double hx = dx + 0.35, hy = dy + 0.45;
    col = Over(RGBA{1, 1, 1, std::min(1.0, std::exp(-(hx * hx * 1.3 + hy * hy * 3) * 5) * 3.5)}, col);
    return col;
  });
}

QImage StemBit(const QColor& c) {
  // A small leaf on a short stalk, seen from above.
  PuffyStyle s;
  s.bevel = 0.6, s.shine = 0.4;
  return Puffy(
      [](double x, double y) {
        const double u = (x + y) / std::sqrt(2.0), v = (x - y) / std::sqrt(2.0);
        return (u * u) / (0.78 * 0.78) + (v * v) / (0.5 * 0.5) < 1;
      },
      [&](double x, double y) {
        const double u = (x + y) / std::sqrt(2.0), v = (x - y) / std::sqrt(2.0);
        QColor k = c;
        if (std::fabs(v) < 0.06 && u > -0.7) k = c.darker(140);
        return Rgb(k.lighter(int(100 + 25 * (-u))), 1);
      },
      s);
}

// Pulls every pixel's colour toward `c` by `amount`, keeping its shading.
QImage Tint(const QImage& src, const QColor& c, double amount) {
  QImage img = src.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = row[x];
      const double lum = (qRed(p) * 0.3 + qGreen(p) * 0.59 + qBlue(p) * 0.11) / 255.0;
      auto ch = [&](int v, double t) { return int(std::lround(v * (1 - amount) + 255 * t * lum * amount)); };
      row[x] = qRgba(ch(qRed(p), c.redF()), ch(qGreen(p), c.greenF()), ch(qBlue(p), c.blueF()), qAlpha(p));
    }
  }
  return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// ---------- shapes ----------

bool InHeart(double x, double y) {
  x *= 1.15, y = -(y * 1.15 - 0.1);
  const double a = x * x + y * y - 0.6;
  return a * a * a - x * x * y * y * y < 0;
}

bool InEgg(double x, double y) {
  const double k = 1 + 0.18 * y;  // wider at the bottom
  return (x * x) / (0.62 * 0.62 * k * k) + (y * y) / (0.9 * 0.9) < 1;
}

bool InStar(double x, double y, int points, double outer, double inner, double rot = -kPi / 2) {
  const double a = std::atan2(y, x) - rot, d = std::sqrt(x * x + y * y);
  const double seg = 2 * kPi / points;
  double t = std::fmod(a, seg);
  if (t < 0) t += seg;
  t = std::fabs(t / seg - 0.5) * 2;  // 1 at the tips, 0 between them
  // Straight edges between tip and notch, in polar form.
  const double tipX = outer, notchA = seg / 2;
  const double ax = tipX, ay = 0, bx = inner * std::cos(notchA), by = inner * std::sin(notchA);
  const double ang = (1 - t) * notchA;
  const double dx = std::cos(ang), dy = std::sin(ang);
  // Intersect the ray with the edge a-b.
  const double ex = bx - ax, ey = by - ay;
  const double den = dx * ey - dy * ex;
  const double r = (ax * ey - ay * ex) / den;
  return d < r;
}

bool InStone(double x, double y, int seed, double r = 0.85) {
  const double a = std::atan2(y, x), d = std::sqrt(x * x + y * y);
  const double e = r * (0.82 + 0.25 * Fbm(std::cos(a) * 1.3 + seed, std::sin(a) * 1.3, seed, 3));
  return d < e * (1 - 0.12 * std::fabs(std::sin(a + seed)));
}

QImage Heart(const QColor& c) {
  PuffyStyle s;
  s.bevel = 0.8, s.shine = 0.9, s.hardness = 40;
  return Puffy(
      InHeart, [&](double, double) { return Rgb(c); }, s);
}

QImage Egg(const QColor& c, const QColor& pat, int kind) {
  PuffyStyle s;
  s.bevel = 1.0, s.shine = 0.5, s.hardness = 25;
  return Puffy(
      InEgg,
      [&](double x, double y) {
        bool p = false;
        switch (kind % 3) {
          case 0: p = std::fabs(std::fmod(y + 2, 0.45) - 0.22) < 0.07; break;
          case 1: p = std::fabs(y - 0.25 * std::sin(x * 9)) < 0.1 || std::fabs(y + 0.45) < 0.05; break;
          default: {
            const double gx = std::fmod(x + 2.1, 0.4) - 0.2, gy = std::fmod(y + 2.1, 0.4) - 0.2;
            p = gx * gx + gy * gy < 0.07 * 0.07;
          }
        }
        return Rgb(p ? pat : c);
      },
      s);
}

QImage Star(const QColor& c, int points = 5, double inner = 0.42, bool metal = false) {
  PuffyStyle s;
  s.facets = true, s.shine = 0.8, s.hardness = 30, s.metal = metal;
  return Puffy([&](double x, double y) { return InStar(x, y + 0.04, points, 0.95, 0.95 * inner); },
               [&](double, double) { return Rgb(c); }, s);
}

QImage Stone(const QColor& c, int seed, bool polished = false, bool metal = false) {
  PuffyStyle s;
  s.bevel = 0.9, s.shine = polished ? 0.9 : 0.12, s.hardness = polished ? 40 : 8, s.metal = metal;
  return Puffy([&](double x, double y) { return InStone(x, y, seed); },
               [&](double x, double y) {
                 const double n = Fbm(x * 4 + seed, y * 4, seed + 7, 4);
                 const double speck = Noise(x * 30, y * 30, seed) > 0.85 ? 0.75 : 1.0;
                 const double k = (0.75 + 0.5 * n) * (polished || metal ? 1.0 : speck);
                 return RGBA{c.redF() * k, c.greenF() * k, c.blueF() * k, 1};
               },
               s);
}

QImage Scallop(const QColor& c) {
  PuffyStyle s;
  s.bevel = 0.5, s.shine = 0.5;
  auto inside = [](double x, double y) {
    const double yy = y - 0.55;  // hinge at the bottom
    const double a = std::atan2(-yy, x), d = std::sqrt(x * x + yy * yy);
    if (a < 0.15 || a > kPi - 0.15) return std::fabs(yy) < 0.12 && std::fabs(x) < 0.35 && yy < 0.12;
    const double scal = 1.25 + 0.04 * std::cos(a * 22);
    return d < scal;
  };
  return Puffy([&](double x, double y) { return inside(x, y * 1.05) && y > -0.95; },
               [&](double x, double y) {
                 const double yy = y - 0.55;
                 const double a = std::atan2(-yy, x);
                 const double rib = 0.8 + 0.2 * std::cos(a * 22);
                 const double band = 0.9 + 0.1 * std::sin(std::sqrt(x * x + yy * yy) * 25);
                 return RGBA{c.redF() * rib * band, c.greenF() * rib * band, c.blueF() * rib * band, 1};
               },
               s);
}

// ---------- plants ----------

// A leaf along the vertical axis, tip up; `shape` 0 ovate, 1 lance, 2 heart.
bool InLeaf(double x, double y, int shape) {
  const double s = -y;  // -1 base .. 1 tip
  if (s < -0.95 || s > 0.95) return std::fabs(x) < 0.035 && s < -0.95 && s > -1.0;
  const double t = (s + 0.95) / 1.9;
  double w;
  switch (shape) {
    case 1: w = 0.28 * std::pow(std::sin(kPi * t), 0.9); break;
    case 2: w = 0.58 * std::pow(std::sin(kPi * std::min(1.0, t * 0.9 + 0.1)), 0.7) * (1 - 0.25 * t); break;
    default: w = 0.48 * std::pow(std::sin(kPi * t), 0.75) * (1.1 - 0.3 * t);
  }
  return std::fabs(x) < w;
}

QImage Leaf(const QColor& c, int shape) {
  PuffyStyle s;
  s.bevel = 0.25, s.shine = 0.35, s.hardness = 15;
  return Puffy([&](double x, double y) { return InLeaf(x, y, shape); },
               [&](double x, double y) {
                 const double s2 = -y;
                 QColor k = c;
                 const bool mid = std::fabs(x) < 0.025;
                 const double vein = std::fmod(s2 - std::fabs(x) * 0.9 + 3, 0.28);
                 if (mid || vein < 0.025) k = c.lighter(135);
                 const double shadeK = 0.85 + 0.25 * Fbm(x * 3, y * 3, 5, 3);
                 return RGBA{k.redF() * shadeK, k.greenF() * shadeK, k.blueF() * shadeK, 1};
               },
               s);
}

QImage PetalFlower(int petals, const QColor& petal, const QColor& centre, double depth) {
  PuffyStyle s;
  s.bevel = 0.35, s.shine = 0.45, s.hardness = 20;
  auto edge = [=](double a) {
    return 0.93 * (1 - depth + depth * std::pow(std::fabs(std::cos(a * petals / 2.0)), 0.6));
  };
  return Puffy([=](double x, double y) { return std::sqrt(x * x + y * y) < edge(std::atan2(y, x)); },
               [=](double x, double y) {
                 const double d = std::sqrt(x * x + y * y);
                 if (d < 0.24) {
                   const double dots = Noise(x * 25, y * 25, 3) > 0.6 ? 0.8 : 1.0;
                   return RGBA{centre.redF() * dots, centre.greenF() * dots, centre.blueF() * dots, 1};
                 }
                 const double t = std::clamp((d - 0.24) / 0.7, 0.0, 1.0);
                 const QColor in = petal.darker(125), out = petal.lighter(118);
                 return Mix(Rgb(in), Rgb(out), t);
               },
               s);
}

// ---------- particles ----------

QImage Flame(int f, int n, double hueBase, double hueSpan, bool whiteCore, int seed) {
  const double t = double(f) / n;
  return Shade([=](double x, double y) {
    // Bottom is the flame's root; noise rises through it as time runs.
    const double h = (0.9 - y) / 1.8;  // 0 root .. 1 tip
    if (h < 0 || h > 1.05) return RGBA{};
    const double wob = (Fbm(x * 2.5, y * 2.2 + t * 3, seed, 3) - 0.5) * 0.5 * h;
    const double xx = x + wob;
    const double width = 0.62 * std::pow(std::max(0.0, 1 - h), 0.8) * std::min(1.0, (h + 0.08) * 4.5);
    if (width <= 0) return RGBA{};
    const double q = 1 - std::fabs(xx) / width;  // 1 on the axis, 0 on the edge
    if (q <= 0) return RGBA{};
    const double heat = std::clamp(q * (1.15 - h * 0.9) + 0.15 * Fbm(x * 6, y * 6 + t * 6, seed + 9, 2), 0.0, 1.0);
    QColor col = Hsv(hueBase + hueSpan * heat, 1.0 - (whiteCore ? std::pow(heat, 3) * 0.85 : 0), 0.9 + 0.1 * heat);
    const double a = Smooth(0.0, 0.35, q) * Smooth(1.05, 0.7, h);
    return Rgb(col, a);
  });
}

QImage Cloud(int f, int n, const QColor& top, const QColor& bottom, int seed) {
  const double t = Phase(f, n);
  const double cx[5] = {-0.45, -0.1, 0.3, 0.55, 0.05}, cy[5] = {0.2, -0.15, -0.05, 0.25, 0.3},
               cr[5] = {0.38, 0.5, 0.42, 0.3, 0.4};
  return Shade([=](double x, double y) {
    double best = -1;
    for (int i = 0; i < 5; ++i) {
      const double rx = x - cx[i] - 0.04 * std::sin(t + i), ry = y - cy[i] - 0.03 * std::cos(t + i * 2);
      const double r = cr[i] * (1 + 0.06 * std::sin(t + i * 1.7));
      best = std::max(best, 1 - std::sqrt(rx * rx + ry * ry) / r);
    }
    const double n2 = (Fbm(x * 3 + std::cos(t) * 0.3, y * 3 + std::sin(t) * 0.3, seed, 4) - 0.5) * 0.5;
    const double v = best + n2 * 0.5;
    if (v <= 0) return RGBA{};
    const double k = std::clamp((y + 0.5) / 1.0, 0.0, 1.0);
    RGBA c = Mix(Rgb(top), Rgb(bottom), k);
    c.a = Smooth(0.0, 0.25, v);
    return c;
  });
}

QImage Smoke(int f, int n) {
  const double t = double(f) / n;
  return Shade([=](double x, double y) {
    const double swirl = Fbm(x * 1.8 + 10, y * 1.8 + t * 2, 21, 4);
    const double d = std::sqrt(x * x * 1.3 + (y - 0.05) * (y - 0.05));
    const double dens = (1 - d / 0.85) + (swirl - 0.5) * 0.9;
    if (dens <= 0) return RGBA{};
    const double g = 0.45 + 0.3 * Fbm(x * 4, y * 4 - t * 3, 33, 3);
    return RGBA{g, g, g * 1.04, std::min(1.0, Smooth(0, 0.45, dens) * 1.1)};
  });
}

RGBA Glint(double x, double y, double size, double arms, double rot, const QColor& c) {
  const double cr = std::cos(rot), sr = std::sin(rot);
  const double u = (x * cr + y * sr) / size, v = (-x * sr + y * cr) / size;
  const double core = std::exp(-(u * u + v * v) * 22);
  double ray = 0;
  for (int i = 0; i < arms; ++i) {
    const double a = kPi * i / arms;
    const double p = u * std::cos(a) + v * std::sin(a), q = -u * std::sin(a) + v * std::cos(a);
    const double len = (i % 2 == 0) ? 1.0 : 0.55;
    ray =
        std::max(ray, std::exp(-q * q * 260 / (1 + 4 * p * p)) * std::pow(std::max(0.0, 1 - std::fabs(p) / len), 1.5));
  }
  const double glow = std::exp(-(u * u + v * v) * 5) * 0.45;
  const double a = std::min(1.0, core * 1.6 + ray + glow);
  RGBA col = Mix(Rgb(c), RGBA{1, 1, 1, 1}, std::min(1.0, core * 1.3 + ray * 0.4));
  col.a = a;
  return col;
}

QImage Sparkle(int f, int n, const QColor& c, int arms, bool rainbow) {
  const double ph = Phase(f, n);
  const double size = 0.75 + 0.22 * std::sin(ph);
  const QColor k = rainbow ? Hsv(360.0 * f / n, 0.7, 1) : c;
  return Shade([=](double x, double y) { return Glint(x, y, size, arms, ph * 0.25 / std::max(1, n - 1) * n, k); });
}

QImage StarField(int f, int n) {
  const double px[5] = {-0.5, 0.35, 0.05, -0.3, 0.6}, py[5] = {-0.45, -0.55, 0.05, 0.55, 0.4};
  const QColor cols[5] = {C(0xfff3b0), C(0xb0e0ff), C(0xffffff), C(0xffc0e0), C(0xfff0a0)};
  return Shade([=](double x, double y) {
    RGBA acc{};
    for (int i = 0; i < 5; ++i) {
      const double s = 0.35 + 0.3 * (0.5 + 0.5 * std::sin(Phase(f, n) + i * 2.4));
      acc = Over(Glint(x - px[i], y - py[i], s, 4, 0, cols[i]), acc);
    }
    return acc;
  });
}

RGBA Bubble(double x, double y, double cx, double cy, double r, double hue) {
  const double dx = (x - cx) / r, dy = (y - cy) / r, d2 = dx * dx + dy * dy;
  if (d2 >= 1) return {};
  const double nz = std::sqrt(1 - d2);
  const double rim = std::pow(1 - nz, 2.5);
  RGBA c = Rgb(Hsv(hue + 200 * d2 + 60 * dx, 0.65, 0.95), std::min(1.0, 0.12 + 1.4 * rim));
  const double hx = dx + 0.4, hy = dy + 0.4;
  c = Over(RGBA{1, 1, 1, std::min(1.0, std::exp(-(hx * hx + hy * hy) * 14) * 2.5)}, c);
  return c;
}

QImage Snowflake(double rot) {
  QImage img = Blank();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(kWork / 2.0, kWork / 2.0);
  p.rotate(rot);
  const double s = kWork / 2.0 * 0.92;
  for (int pass = 0; pass < 2; ++pass) {
    QPen pen(pass == 0 ? C(0x3d7cc9) : C(0xf4fbff), pass == 0 ? s * 0.15 : s * 0.07, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    for (int i = 0; i < 6; ++i) {
      p.save();
      p.rotate(60 * i);
      p.drawLine(QPointF(0, 0), QPointF(0, -s));
      for (double b : {0.45, 0.72}) {
        const double l = (1.05 - b) * 0.55 * s;
        p.drawLine(QPointF(0, -b * s), QPointF(l * 0.8, -b * s - l * 0.6));
        p.drawLine(QPointF(0, -b * s), QPointF(-l * 0.8, -b * s - l * 0.6));
      }
      p.restore();
    }
  }
  return img;
}

bool InDrop(double x, double y) {
  // Round bottom, pointed top.
  if (y > -0.15) return x * x + (y - 0.3) * (y - 0.3) < 0.5 * 0.5 || (y < 0.3 && std::fabs(x) < 0.5);
  const double t = (y + 0.95) / 0.8;  // 0 at the tip
  return t > 0 && std::fabs(x) < 0.5 * std::pow(t, 1.3) * std::sqrt(std::max(0.0, 1 - (t - 1) * (t - 1) * 0.0));
}

QImage Drop(const QColor& c) {
  PuffyStyle s;
  s.bevel = 0.9, s.shine = 1.0, s.hardness = 40;
  return Puffy([](double x, double y) { return InDrop(x * 1.1, y * 1.05); },
               [&](double, double) { return Rgb(c, 1.0); }, s);
}

// ---------- emoji animation ----------

// Wings beat: the part above the pivot line squashes and stretches, most
// strongly over the wing (around wingX).
QImage Flap(const QImage& src, int f, int n, double wingX, double amount = 0.45, double pivot = 0.05) {
  const double k = 1 - amount * (0.5 + 0.5 * std::sin(Phase(f, n)));
  const double bob = 0.04 * std::sin(Phase(f, n) + kPi / 2);
  return Warp(src, [=](double x, double y) {
    y -= bob;
    if (y >= pivot) return QPointF(x, y);
    const double w = std::exp(-(x - wingX) * (x - wingX) * 2.5);
    const double kk = 1 + (k - 1) * w;
    return QPointF(x, pivot + (y - pivot) / kk);
  });
}

// Swimming: a wave runs along the body, growing toward the tail (at +x when
// the fish faces left).
QImage Swim(const QImage& src, int f, int n, double tailSide = 1) {
  const double ph = Phase(f, n);
  return Warp(src, [=](double x, double y) {
    const double along = std::max(0.0, x * tailSide + 0.3);
    const double dy = 0.09 * along * along * std::sin(ph - x * tailSide * 3);
    const double dx = 0.03 * std::sin(ph);
    return QPointF(x + dx, y - dy);
  });
}

// Walking/rocking: a little tilt and bob.
QImage Rock(const QImage& src, int f, int n, double deg = 6, double bob = 0.04) {
  const double ph = Phase(f, n);
  return Transform(src, deg * std::sin(ph), 1, 1, 0, -bob * std::fabs(std::sin(ph)));
}

// Wings seen from above open and close: horizontal squash about the body.
QImage Beat(const QImage& src, int f, int n, double minScale = 0.35) {
  const double k = minScale + (1 - minScale) * (0.5 + 0.5 * std::cos(Phase(f, n)));
  return Transform(src, 0, k, 1);
}

QImage Tumble(const QImage& src, int f, int n, double base = 0, double turn = 360) {
  const double a = base + turn * f / n;
  const double flip = 0.55 + 0.45 * std::fabs(std::cos(Phase(f, n) / 2 + 0.6));
  return Transform(src, a, flip, 1);
}

// ---------- space ----------

QImage Planet(const std::function<QColor(double u, double v)>& surface, double r = 0.92) {
  return Shade([=](double x, double y) {
    const double dx = x / r, dy = y / r, d2 = dx * dx + dy * dy;
    if (d2 >= 1) return RGBA{};
    const double nz = std::sqrt(1 - d2);
    const double lon = std::atan2(dx, nz), lat = std::asin(std::clamp(dy, -1.0, 1.0));
    const QColor base = surface(lon, lat);
    RGBA c = Lit(base, dx, dy, nz, 0.15, 10);
    return c;
  });
}

QImage Sun(int f, int n) {
  const double ph = Phase(f, n);
  return Shade([=](double x, double y) {
    const double d = std::sqrt(x * x + y * y), a = std::atan2(y, x);
    const double disc = 0.58;
    RGBA c{};
    if (d < 1) {
      const double flick = Fbm(std::cos(a) * 2 + std::cos(ph), std::sin(a) * 2 + std::sin(ph), 77, 3);
      const double rays = 0.5 + 0.5 * std::cos(a * 12 + ph * 0.5);
      const double reach = disc + 0.12 + 0.28 * rays * flick;
      const double g = std::clamp((reach - d) / (reach - disc + 1e-6), 0.0, 1.0);
      c = Rgb(Hsv(20 + 30 * g, 1, 1), std::pow(g, 1.2));
    }
    if (d < disc) {
      const double n2 = Fbm(x * 6 + ph * 0.2, y * 6, 55, 3);
      const double limb = std::sqrt(1 - (d / disc) * (d / disc));
      c = Over(Rgb(Hsv(35 + 25 * limb + 10 * n2, 1 - 0.5 * limb * limb, 1), 1), c);
    }
    return c;
  });
}

// ---------- per-category tables ----------

const QColor kRainbow[18] = {C(0xe53935), C(0xfb8c00), C(0xfdd835), C(0x43a047), C(0x00acc1), C(0x1e88e5),
                             C(0x8e24aa), C(0xd81b60), C(0xeeeeee), C(0xf48fb1), C(0xc0ca33), C(0x00897b),
                             C(0x283593), C(0x795548), C(0x9e9e9e), C(0x424242), C(0xffc107), C(0x81d4fa)};

QImage StemFrame(int i) {
  const unsigned cols[18] = {0x3c9a2e, 0x6cc24a, 0x1f6b2a, 0xe0c020, 0x8a5a2b, 0xc8342c, 0x8a3fb8, 0x2bb5c8, 0x8a8a8a,
                             0x4caf50, 0x8bc34a, 0x2e7d32, 0xf2d13a, 0xa0522d, 0xe53935, 0x9c4dcc, 0x26c6da, 0xa8a8a8};
  return StemBit(C(cols[i]));
}

QImage LeavesFrame(int i, int f, int n) {
  switch (i) {
    case 0: return Tumble(Glyph("🍃"), f, n, 0, 40);
    case 1: return Tumble(Leaf(C(0x4caf50), 0), f, n, 20, 360);
    case 2: return Tumble(Glyph("🍁"), f, n, -10, 30);
    case 3: return Tumble(Glyph("🍂"), f, n, 0, 120);
    case 4: return Rock(Glyph("🌿"), f, n, 8, 0);
    case 5: return Rock(Glyph("☘️"), f, n, 10, 0);
    case 6: return Rock(Glyph("🍀"), f, n, 12, 0);
    case 7: return Rock(Glyph("🌱"), f, n, 8, 0);
    case 8: return Tumble(Leaf(C(0xf2c029), 0), f, n, 35, 50);
    case 9: return Tumble(Leaf(C(0xe0662c), 1), f, n, -30, 60);
    case 10: return Tumble(Leaf(C(0x8bc34a), 2), f, n, 10, 40);
    case 11: return Tumble(Leaf(C(0x8d5a2b), 0), f, n, -20, 50);
    case 12: return Tumble(Recolor(Glyph("🍁"), 45, 1.0, 1.05), f, n, 15, 40);
    case 13: return Tumble(Leaf(C(0x2e7d32), 1), f, n, 0, 360);
    case 14: return Tumble(Recolor(Glyph("🍃"), -80, 1.0, 1.0), f, n, 20, 40);
    case 15: return Tumble(Leaf(C(0xc62828), 2), f, n, -15, 40);
    case 16: return Tumble(Glyph("🍂"), f, n, 0, 360);
    default: return Tumble(Glyph("🍁"), f, n, 0, 360);
  }
}

QImage FlowerFrame(int i, int f, int n) {
  const double spin = 360.0 / 5 * f / n;  // petals come back to place after a loop
  const double bloom = 0.9 + 0.1 * std::sin(Phase(f, n));
  auto turn = [&](const QImage& img) { return Transform(img, spin, bloom, bloom); };
  auto sway = [&](const QImage& img) { return Transform(img, 8 * std::sin(Phase(f, n)), bloom, bloom); };
  switch (i) {
    case 0: return turn(Glyph("🌸"));
    case 1: return sway(Glyph("🌹"));
    case 2: return turn(PetalFlower(5, C(0xffffff), C(0xfbc02d), 0.45));
    case 3: return turn(Glyph("🌺"));
    case 4: return turn(Glyph("🌻"));
    case 5: return turn(PetalFlower(8, C(0xec407a), C(0xffeb3b), 0.5));
    case 6: return turn(Glyph("🌼"));
    case 7: return sway(Glyph("🌷"));
    case 8: return turn(PetalFlower(6, C(0x7e57c2), C(0xffd54f), 0.55));
    case 9: return turn(Glyph("💮"));
    case 10: return turn(Glyph("🏵️"));
    case 11: return turn(PetalFlower(12, C(0xff7043), C(0x6d4c41), 0.35));
    case 12: return sway(Glyph("🪷"));
    case 13: return sway(Glyph("🪻"));
    case 14: return turn(PetalFlower(5, C(0x42a5f5), C(0xffffff), 0.6));
    case 15: return sway(Glyph("💐"));
    case 16: return turn(PetalFlower(10, C(0xfff176), C(0xff8f00), 0.4));
    case 17: return turn(Recolor(Glyph("🌸"), 180, 1.1));
    case 18: return turn(PetalFlower(6, C(0xe53935), C(0x212121), 0.5));
    case 19: return turn(Recolor(Glyph("🌺"), -60));
    case 20: return turn(PetalFlower(16, C(0xf8bbd0), C(0xffca28), 0.3));
    case 21: return sway(Glyph("🥀"));
    default: return turn(PetalFlower(7, C(0xba68c8), C(0xfff59d), 0.5));
  }
}

QImage MixedFrame(int i, int f) {
  const QColor pastel[9] = {C(0xf8bbd0), C(0xffe0b2), C(0xfff9c4), C(0xc8e6c9), C(0xb2ebf2),
                            C(0xbbdefb), C(0xd1c4e9), C(0xffccbc), C(0xf5f5f5)};
  const QColor primary[4] = {C(0xe53935), C(0xfdd835), C(0x1e88e5), C(0x43a047)};
  const QColor jewel[4] = {C(0x880e4f), C(0x1a237e), C(0x004d40), C(0x4a148c)};
  const QColor metals[6] = {C(0xf2c24c), C(0xd8d8e0), C(0xd9824a), C(0xb08d57), C(0x8fb3d9), C(0xe8a0a0)};
  const QColor metals2[6] = {C(0xffd95a), C(0xb0b0b8), C(0xc46a3a), C(0x9a7b4f), C(0x6a8cae), C(0x8a8a8a)};
  const char* fishes[6] = {"🐟", "🐠", "🐡", "🦈", "🐬", "🐋"};
  const char* flowers[12] = {"🌸", "🌹", "🌺", "🌻", "🌼", "🌷", "💮", "🏵️", "🪷", "🪻", "🥀", "💐"};
  switch (i) {
    case 0: return Ball(Hsv(40.0 * f, 0.85, 0.95));
    case 1: return Ball(pastel[f]);
    case 2: return Jelly(Hsv(60.0 * f, 0.8, 1), f);
    case 3: return Ball(primary[f]);
    case 4: return Marble(Hsv(90.0 * f, 0.8, 0.9), Hsv(90.0 * f + 50, 0.3, 1), f + 3);
    case 5: return Ball(jewel[f]);
    case 6: return Glass(Hsv(90.0 * f + 20, 0.7, 1));
    case 7: return Ring(Hsv(45.0 * f, 0.85, 0.95));
    case 8: return Ring(Hsv(40.0 * f + 20, 0.35, 1), true);
    case 9: return Heart(Hsv(f < 3 ? 350 - 12 * f : 300 - 45 * (f - 3), 0.85, 0.95));
    case 10: return Egg(Hsv(60.0 * f, 0.45, 1), Hsv(60.0 * f + 180, 0.8, 0.85), f);
    case 11:
      return f < 12 ? Glyph(flowers[f], 0.92) : PetalFlower(f == 12 ? 6 : 9, Hsv(f * 70.0, 0.7, 1), C(0xffd54f), 0.5);
    case 12: return Glyph(fishes[f], 0.95);
    case 13: return Star(Hsv(45.0 * f + 50, 0.85, 1));
    case 14: return Scallop(Hsv(20 + 60.0 * f, 0.45, 1));
    case 15: return Tint(Glyph("🐚", 0.92), Hsv(20 + 72.0 * f, 0.75, 1), 0.55);
    case 16: return Stone(Hsv(30, 0.1 + 0.04 * f, 0.55 + 0.07 * f), f * 11 + 1);
    case 17: return Stone(Hsv(60.0 * f, 0.55, 0.85), f * 7 + 2, true);
    case 18: return Metal(metals[f]);
    default: return Stone(metals2[f], f * 5 + 3, true, true);
  }
}

QImage ParticleFrame(int i, int f, int n) {
  switch (i) {
    case 0: return Flame(f, n, 5, 50, true, 1);
    case 1: return Flame(f, n, -15, 45, false, 2);
    case 2: return Flame(f, n, 235, -45, true, 3);
    case 3: return Flame(f, n, 110, -40, true, 4);
    case 4: {  // splashing droplets circling a central drop
      const double ph = Phase(f, n);
      return Shade([=](double x, double y) {
        RGBA c = Sphere(x, y - 0.05, 0, 0, 0.36, C(0x2f8fe0), 1.0, 40);
        for (int k = 0; k < 6; ++k) {
          const double a = ph / 3 + k * kPi / 3, rr = 0.62 + 0.08 * std::sin(ph + k);
          RGBA d = Sphere(x, y, rr * std::cos(a), rr * std::sin(a), 0.17 + 0.03 * std::sin(ph + k * 2), C(0x4aa8f0),
                          1.0, 40);
          d.a *= 0.9;
          c = Over(d, c);
        }
        return c;
      });
    }
    case 5: {  // ripples spreading out
      const double ph = double(f) / n;
      return Shade([=](double x, double y) {
        const double d = std::sqrt(x * x + y * y * 2.2);
        RGBA c{};
        for (int k = 0; k < 3; ++k) {
          const double r = 0.22 + 0.3 * (k + ph);
          const double a = std::exp(-(d - r) * (d - r) * 220) * std::max(0.0, 1.1 - r);
          c = Over(Rgb(Hsv(208, 0.85 - 0.3 * r, 0.95), std::min(1.0, a * 2.2)), c);
        }
        c = Over(Sphere(x, y, 0, 0, 0.2, C(0x64b5f6), 1.0, 30), c);
        return c;
      });
    }
    case 6: return Cloud(f, n, C(0xffffff), C(0xb8c6d8), 5);
    case 7: return Cloud(f, n, C(0xa9b4c2), C(0x4f5b6b), 9);
    case 8: return Smoke(f, n);
    case 9: return StarField(f, n);
    case 10: return Transform(Star(C(0xffd54f), 5, 0.42), 72.0 * f / n);
    case 11: {
      const double k = 1 + 0.06 * std::sin(Phase(f, n));
      return Shade([=](double x, double y) { return Bubble(x * k, y / k, 0, 0, 0.9, 30.0 * f); });
    }
    case 12: {
      const double up = double(f) / n * 0.3;
      return Shade([=](double x, double y) {
        RGBA c = Bubble(x, y, -0.3, 0.35 - up, 0.5, 0);
        c = Over(Bubble(x, y, 0.42, 0.1 - up * 1.5, 0.36, 120), c);
        c = Over(Bubble(x, y, 0.05, -0.55 - up * 0.5, 0.28, 240), c);
        return c;
      });
    }
    case 13: return Snowflake(15.0 * f);
    default: {
      const double ph = Phase(f, n);
      return Transform(Drop(C(0x42a5f5)), 0, 1 - 0.07 * std::sin(ph), 1 + 0.07 * std::sin(ph), 0, 0.04 * std::sin(ph));
    }
  }
}

QImage SparkleFrame(int i, int f, int n) {
  const QColor cols[5] = {C(0xffffff), C(0xffd54f), C(0x80deea), C(0xf48fb1), C(0xffffff)};
  return Sparkle(f, n, cols[i % 5], i < 5 ? 4 : 8, i % 5 == 4);
}

QImage BirdFrame(int i, int f, int n) {
  switch (i) {
    case 0: return Flap(Recolor(Glyph("🐦"), 185, 0.55, 0.75), f, n, 0.45);
    case 1: return Flap(Glyph("🦅"), f, n, 0.1, 0.5, 0.1);
    case 2: return Flap(Mirror(Recolor(Glyph("🦅"), 15, 0.8, 0.8)), f, n, -0.1, 0.5, 0.1);
    case 3: return Flap(Glyph("🪿"), f, n, 0.35, 0.35, 0.15);
    case 4: return Flap(Glyph("🕊️"), f, n, 0.3, 0.5, 0.1);
    default: return Flap(Recolor(Glyph("🦩"), 0, 0.05, 0.72), f, n, 0.2, 0.3, 0.0);
  }
}

QImage FishFrame(int i, int f, int n) {
  const char* g[8] = {"🐟", "🐠", "🐡", "🦈", "🐬", "🐋", "🐳", "🦑"};
  if (i == 7) return Rock(Transform(Glyph(g[i]), 0, 1, 1 - 0.12 * std::sin(Phase(f, n))), f, n, 4, 0.05);
  return Swim(Glyph(g[i]), f, n, i == 5 || i == 6 ? -1 : 1);
}

QImage Dragonfly(int f, int n) {
  const double beat = 0.35 + 0.65 * (0.5 + 0.5 * std::cos(Phase(f, n)));
  return Shade([=](double x, double y) {
    RGBA c{};
    // Four wings, seen from above, angled out from the thorax.
    for (int k = 0; k < 4; ++k) {
      const double sx = k % 2 ? 1 : -1, oy = k < 2 ? -0.22 : 0.0;
      const double ang = (k < 2 ? -0.25 : 0.25) * sx;
      const double u = (x * sx) / beat, v = y - oy - u * ang;
      const double e = ((u - 0.45) * (u - 0.45)) / (0.46 * 0.46) + (v * v) / (0.11 * 0.11);
      if (u > 0 && e < 1) {
        const double vein = std::fabs(std::fmod(u * 10, 1.0) - 0.5) < 0.07 ? 0.3 : 0.0;
        c = Over(RGBA{0.75, 0.9, 1.0, 0.35 + 0.3 * e + vein}, c);
      }
    }
    // Body: head, thorax and a long abdomen.
    c = Over(Sphere(x, y, 0, -0.55, 0.13, C(0x1b8a5a), 1, 30), c);
    c = Over(Sphere(x, y, 0, -0.3, 0.13, C(0x1e88e5), 1, 30), c);
    if (std::fabs(x) < 0.06 && y > -0.2 && y < 0.9) {
      const double band = std::fmod(y + 2, 0.16) < 0.02 ? 0.5 : 1.0;
      const double nx = x / 0.06;
      c = Over(Lit(QColor::fromRgbF(0.1f * float(band), 0.45f * float(band), 0.85f * float(band)), nx, 0,
                   std::sqrt(1 - std::min(0.99, nx * nx)), 0.8, 30),
               c);
    }
    return c;
  });
}

QImage InsectFrame(int i, int f, int n) {
  switch (i) {
    case 0: return Beat(Glyph("🦋"), f, n);
    case 1: return Beat(Recolor(Glyph("🦋"), 190, 1.1), f, n);
    case 2: return Rock(Glyph("🐞"), f, n, 8, 0.02);
    case 3: return Rock(Glyph("🪲"), f, n, 6, 0.02);
    case 4: return Dragonfly(f, n);
    case 5: return Flap(Glyph("🐝"), f, n, 0.0, 0.5, -0.1);
    case 6: return Rock(Glyph("🐜"), f, n, 5, 0.05);
    default: return Rock(Glyph("🕷️"), f, n, 10, 0.03);
  }
}

QImage AnimalFrame(int i, int f, int n) {
  switch (i) {
    case 0: return Rock(Recolor(Glyph("🦬"), -10, 0.4, 0.75), f, n, 5, 0.07);
    case 1: return Flap(Glyph("🦇"), f, n, 0.0, 0.6, 0.0);
    case 2: return Swim(Glyph("🐊"), f, n, -1);
    case 3: return Rock(Glyph("🐢"), f, n, 3, 0.03);
    case 4: {
      const double ph = Phase(f, n);
      return Transform(Glyph("🐆"), 6 * std::sin(ph), 1 + 0.06 * std::cos(ph), 1 - 0.05 * std::cos(ph), 0,
                       -0.06 * std::fabs(std::sin(ph)));
    }
    default: return Rock(Glyph("🐈"), f, n, 4, 0.02);
  }
}

QImage SpaceFrame(int i, int f, int n) {
  switch (i) {
    case 0: return Glyph("🌍", 0.94);
    case 1: return Glyph("🌕", 0.94);
    case 2:
      return Planet([](double u, double v) {
        const double band = std::sin(v * 11 + 0.6 * std::sin(u * 3 + v * 4) + Fbm(u * 2, v * 8, 13, 3) * 2);
        QColor c = Hsv(30, 0.35 + 0.2 * band, 0.85 + 0.1 * band);
        const double sx = (u - 0.3) * 1.2, sy = (v - 0.35) * 3;
        if (sx * sx + sy * sy < 0.08) c = C(0xc0552e);
        return c;
      });
    case 3: return Glyph("🪐", 0.96);
    case 4:
      return Planet([](double u, double v) {
        const double n2 = Fbm(u * 3 + 4, v * 3, 17, 4);
        QColor c = Hsv(14, 0.7, 0.55 + 0.4 * n2);
        if (std::fabs(v) > 1.25) c = C(0xf3e9e2);
        return c;
      });
    case 5:
      return Puffy([](double x, double y) { return InStone(x * 0.85, y * 1.1, 4, 0.9); },
                   [](double x, double y) {
                     double k = 0.6 + 0.3 * Fbm(x * 5, y * 5, 41, 4);
                     for (int c = 0; c < 4; ++c) {
                       const double cx = x - (-0.3 + 0.25 * c), cy = y - (0.2 * ((c * 7) % 3) - 0.2);
                       if (cx * cx + cy * cy < 0.018) k *= 0.7;
                     }
                     return RGBA{0.55 * k, 0.5 * k, 0.46 * k, 1};
                   },
                   PuffyStyle{0.9, false, 0.1, 8, false, false});
    case 6:
      return Planet([](double u, double v) {
        const double n2 = Fbm(u * 2 + v * 1.5, v * 4, 23, 4);
        return Hsv(42, 0.35 + 0.25 * n2, 0.8 + 0.2 * n2);
      });
    case 7: return Sun(f, n);
    case 8: {
      const double ph = Phase(f, n);
      QImage rocket = Glyph("🚀", 0.86);
      // Exhaust behind the nozzle (the glyph points to the upper right).
      QImage flame =
          Transform(Flame(f, n, 5, 50, true, 8), 45 + 180, 0.28, 0.42 + 0.06 * std::sin(ph * 2), -0.52, 0.52);
      return Transform(Stack(flame, rocket), 0, 0.95, 0.95, 0.03 * std::sin(ph), 0.03 * std::cos(ph));
    }
    case 9: {
      const double ph = Phase(f, n);
      QImage ship = Glyph("🛸", 0.9);
      QImage lights = Shade([=](double x, double y) {
        RGBA c{};
        for (int k = 0; k < 5; ++k) {
          const double lx = -0.56 + 0.28 * k, ly = 0.2 + 0.05 * std::sin(k * 1.2);
          RGBA light = Glint(x - lx, y - ly, 0.2, 4, 0, Hsv(60 + 40 * k, 0.6, 1));
          light.a *= ((k + f) % 2) ? 1.0 : 0.25;  // neighbouring lights blink in turn
          c = Over(light, c);
        }
        return c;
      });
      return Transform(Stack(ship, Fade(lights, 0.4 + 0.6 * (0.5 + 0.5 * std::sin(ph)))), 6 * std::sin(ph));
    }
    default: {
      const double ph = Phase(f, n);
      QImage m = Glyph("☄️", 0.92);
      return Stack(Transform(m, 0, 1 + 0.05 * std::sin(ph), 1 + 0.05 * std::sin(ph)), Shade([=](double x, double y) {
                     return Glint(x + 0.55, y - 0.55, 0.35 + 0.12 * std::sin(ph * 2), 4, ph / 4, C(0xfff3c0));
                   }));
    }
  }
}

QImage SportsFrame(int i) {
  switch (i) {
    case 0: return Glyph("⚾", 0.94);
    case 1:
      return Shade([](double x, double y) {
        const double r = 0.92, dx = x / r, dy = y / r, d2 = dx * dx + dy * dy;
        if (d2 >= 1) return RGBA{};
        const double nz = std::sqrt(1 - d2);
        // Dimples: a hex-ish lattice of shallow pits bends the normal.
        const double gx = dx * 7, gy = dy * 7 + (int(std::floor(dx * 7)) % 2) * 0.5;
        const double fx = gx - std::floor(gx) - 0.5, fy = gy - std::floor(gy) - 0.5;
        const double pit = (fx * fx + fy * fy < 0.12 ? 5.0 : 0.0) * nz;
        return Lit(C(0xf4f4f0), dx - fx * pit, dy - fy * pit, nz, 0.6, 25);
      });
    case 2:
      return Shade([](double x, double y) {
        const double r = 0.92;
        const double dx = x / r, dy = y / r;
        const double seam = std::fabs(dy - 0.55 * std::sin(dx * 3.0 + 0.3) * 0.9);
        const double fuzz = 0.85 + 0.15 * Noise(x * 40, y * 40, 9);
        QColor base = seam < 0.07 ? C(0xf5f5f5) : Hsv(68, 0.85, 0.9 * fuzz);
        return Sphere(x, y, 0, 0, r, base, 0.15, 8);
      });
    case 3: return Glyph("🏉", 0.96);
    case 4: return Glyph("⚽", 0.94);
    default: return Glyph("🏀", 0.94);
  }
}

}  // namespace

QImage RenderFrame(int brush, int frame) {
  using plumavo::BrushCategory;
  const int n = plumavo::BrushFrames(brush);
  const int cat = BrushCategory(brush);
  int first = 0, last = 0;
  plumavo::BrushCategoryRange(cat, first, last);
  const int i = brush - first;
  switch (cat) {
    case 1: return StemFrame(i);
    case 2: return LeavesFrame(i, frame, n);
    case 3: return FlowerFrame(i, frame, n);
    case 4: return Ball(kRainbow[i], plumavo::BrushWidth(brush) <= 6 ? 0.76 : 0.92);  // tiny: keep corners clear
    case 5: {
      const QColor ringCols[11] = {C(0xe53935), C(0xfb8c00), C(0xfdd835), C(0x43a047), C(0x00acc1), C(0x1e88e5),
                                   C(0x8e24aa), C(0xd81b60), C(0xf2c24c), C(0xd8d8e0), C(0xd9824a)};
      return Ring(ringCols[i], i >= 8);
    }
    case 6: return Glass(Hsv(i * 360.0 / 16 + 190, i % 4 == 3 ? 0.1 : 0.65, 1));
    case 7: return Jelly(kRainbow[(i * 5) % 18].lighter(110), i);
    case 8: return MixedFrame(i, frame);
    case 9: return ParticleFrame(i, frame, n);
    case 10: return SparkleFrame(i, frame, n);
    case 11: return BirdFrame(i, frame, n);
    case 12: return FishFrame(i, frame, n);
    case 13: return InsectFrame(i, frame, n);
    case 14: return AnimalFrame(i, frame, n);
    case 15: {
      const char* g[3] = {"🦕", "🦖", "🐉"};
      return Rock(Glyph(g[i], 0.94), frame, n, 4, 0.05);
    }
    case 16: {
      const QColor cols[8] = {C(0xffc107), C(0xe53935), C(0x1e88e5), C(0x43a047),
                              C(0x8e24aa), C(0xff7043), C(0xec407a), C(0xd8d8e0)};
      return Star(cols[i], 5, 0.42, i == 7);
    }
    case 17: {
      const QColor cols[8] = {C(0x8d8d8d), C(0x9a8b78), C(0x6f6a66), C(0xb0a48f),
                              C(0x7a5c48), C(0x5d6b73), C(0xc8b8a0), C(0x4a4a4a)};
      return Stone(cols[i], i * 13 + 5);
    }
    case 18: return SpaceFrame(i, frame, n);
    case 19: return SportsFrame(i);
    default: return Blank();
  }
}

QImage RenderDotIcon(int brush) {
  QImage img(plumavo::kBrushIconSize, plumavo::kBrushIconSize, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  const int side = 3 * (brush + 1) + 1;  // 4, 7, 10 pixels: readable at icon size
  const int o = (plumavo::kBrushIconSize - side) / 2;
  p.fillRect(o, o, side, side, QColor(32, 32, 32));
  return img;
}

}  // namespace brushgen
