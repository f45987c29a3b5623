#include "paint.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace brushgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Light direction, normalised, from the upper left and in front.
const double kLx = -0.45, kLy = -0.6, kLz = 0.66;

QRgb ToPremul(const RGBA& c) {
  const double a = Clamp01(c.a);
  auto ch = [a](double v) { return int(std::lround(Clamp01(v) * a * 255.0)); };
  return qRgba(ch(c.r), ch(c.g), ch(c.b), int(std::lround(a * 255.0)));
}

RGBA FromPremul(QRgb p) {
  const double a = qAlpha(p) / 255.0;
  if (a <= 0) return {};
  return {qRed(p) / 255.0 / a, qGreen(p) / 255.0 / a, qBlue(p) / 255.0 / a, a};
}

uint32_t Hash(int x, int y, int seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

}  // namespace

// Brightness a mirror-like surface reflects for a reflected ray whose
// vertical part is ry (-1 up .. 1 down): bright sky, a soft dark horizon,
// a mid-grey ground.
double MetalEnv(double ry) {
  const double t = std::clamp((0.7 - ry) / 1.5, 0.0, 1.0);
  const double sky = 0.38 + 0.55 * t * t * (3 - 2 * t);
  return sky - 0.14 * std::exp(-(ry - 0.1) * (ry - 0.1) * 30);
}

RGBA Rgb(const QColor& c, double a) { return {c.redF(), c.greenF(), c.blueF(), a}; }

RGBA Mix(const RGBA& x, const RGBA& y, double t) {
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

RGBA Over(const RGBA& top, const RGBA& bottom) {
  const double a = top.a + bottom.a * (1 - top.a);
  if (a <= 0) return {};
  auto ch = [&](double t, double b) { return (t * top.a + b * bottom.a * (1 - top.a)) / a; };
  return {ch(top.r, bottom.r), ch(top.g, bottom.g), ch(top.b, bottom.b), a};
}

QColor Hsv(double hueDeg, double sat, double val) {
  double h = std::fmod(hueDeg, 360.0);
  if (h < 0) h += 360;
  return QColor::fromHsvF(float(h / 360.0), float(Clamp01(sat)), float(Clamp01(val)));
}

QImage Blank() {
  QImage img(kWork, kWork, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

QImage Shade(const Shader& shader) {
  QImage img = Blank();
  for (int y = 0; y < kWork; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < kWork; ++x) {
      const double u = (x + 0.5) / kWork * 2 - 1, v = (y + 0.5) / kWork * 2 - 1;
      row[x] = ToPremul(shader(u, v));
    }
  }
  return img;
}

QImage Transform(const QImage& src, double deg, double sx, double sy, double dx, double dy) {
  QImage img = Blank();
  QPainter p(&img);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.setRenderHint(QPainter::Antialiasing);
  const double h = kWork / 2.0;
  p.translate(h + dx * h, h + dy * h);
  p.rotate(deg);
  p.scale(sx, sy);
  p.translate(-h, -h);
  p.drawImage(0, 0, src);
  return img;
}

QImage Warp(const QImage& src, const std::function<QPointF(double x, double y)>& from) {
  QImage img = Blank();
  const QImage s = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  auto at = [&](int x, int y) -> QRgb {
    if (x < 0 || y < 0 || x >= kWork || y >= kWork) return 0;
    return reinterpret_cast<const QRgb*>(s.constScanLine(y))[x];
  };
  for (int y = 0; y < kWork; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < kWork; ++x) {
      const QPointF q = from((x + 0.5) / kWork * 2 - 1, (y + 0.5) / kWork * 2 - 1);
      const double fx = (q.x() + 1) / 2 * kWork - 0.5, fy = (q.y() + 1) / 2 * kWork - 0.5;
      const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
      const double tx = fx - x0, ty = fy - y0;
      double acc[4] = {0, 0, 0, 0};
      const QRgb p[4] = {at(x0, y0), at(x0 + 1, y0), at(x0, y0 + 1), at(x0 + 1, y0 + 1)};
      const double w[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
      for (int i = 0; i < 4; ++i) {
        acc[0] += qRed(p[i]) * w[i];
        acc[1] += qGreen(p[i]) * w[i];
        acc[2] += qBlue(p[i]) * w[i];
        acc[3] += qAlpha(p[i]) * w[i];
      }
      row[x] =
          qRgba(int(std::lround(acc[0])), int(std::lround(acc[1])), int(std::lround(acc[2])), int(std::lround(acc[3])));
    }
  }
  return img;
}

QImage Recolor(const QImage& src, double hueShift, double satScale, double valScale) {
  QImage img = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const RGBA c = FromPremul(row[x]);
      if (c.a <= 0) continue;
      const QColor q = QColor::fromRgbF(float(Clamp01(c.r)), float(Clamp01(c.g)), float(Clamp01(c.b)));
      const double h = std::max(0.0f, q.hsvHueF()) * 360.0;
      row[x] = ToPremul(Rgb(Hsv(h + hueShift, q.hsvSaturationF() * satScale, q.valueF() * valScale), c.a));
    }
  }
  return img;
}

QImage Stack(const QImage& bottom, const QImage& top) {
  QImage img = bottom.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  p.drawImage(0, 0, top);
  return img;
}

QImage Fade(const QImage& src, double a) {
  QImage img = Blank();
  QPainter p(&img);
  p.setOpacity(a);
  p.drawImage(0, 0, src);
  return img;
}

QImage Mirror(const QImage& src) { return src.mirrored(true, false); }

QImage Glyph(const std::string& utf8, double fill) {
  static std::map<std::pair<std::string, double>, QImage> cache;
  auto it = cache.find({utf8, fill});
  if (it != cache.end()) return it->second;

  static const QString family = [] {
    const int id = QFontDatabase::addApplicationFont("/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf");
    const QStringList fams = QFontDatabase::applicationFontFamilies(id);
    if (fams.isEmpty()) {
      std::fprintf(stderr, "brushgen: the colour emoji font is missing (fonts-noto-color-emoji)\n");
      std::exit(1);
    }
    return fams.front();
  }();
  QFont font(family);
  font.setPixelSize(kWork * 2);
  const QString text = QString::fromStdString(utf8);
  const QRawFont raw = QRawFont::fromFont(font);
  if (!raw.supportsCharacter(text.toUcs4().front())) {
    std::fprintf(stderr, "brushgen: the emoji font has no glyph for %s\n", utf8.c_str());
    std::exit(1);
  }
  // Render big, find the ink, then fit it into the frame.
  QImage big(kWork * 4, kWork * 4, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  {
    QPainter p(&big);
    p.setFont(font);
    p.drawText(big.rect(), Qt::AlignCenter, text);
  }
  int l = big.width(), t = big.height(), r = -1, b = -1;
  for (int y = 0; y < big.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(big.constScanLine(y));
    for (int x = 0; x < big.width(); ++x)
      if (qAlpha(row[x]) > 8) {
        l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
      }
  }
  if (r < 0) {
    std::fprintf(stderr, "brushgen: glyph %s rendered empty\n", utf8.c_str());
    std::exit(1);
  }
  const QImage ink = big.copy(l, t, r - l + 1, b - t + 1);
  const double scale = fill * kWork / std::max(ink.width(), ink.height());
  const QImage fitted = ink.scaled(int(std::lround(ink.width() * scale)), int(std::lround(ink.height() * scale)),
                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage img = Blank();
  {
    QPainter p(&img);
    p.drawImage((kWork - fitted.width()) / 2, (kWork - fitted.height()) / 2, fitted);
  }
  cache[{utf8, fill}] = img;
  return img;
}

double Noise(double x, double y, int seed) {
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  const double tx = x - x0, ty = y - y0;
  auto h = [seed](int i, int j) { return (Hash(i, j, seed) & 0xFFFF) / 65535.0; };
  auto s = [](double t) { return t * t * (3 - 2 * t); };
  const double a = h(x0, y0) + (h(x0 + 1, y0) - h(x0, y0)) * s(tx);
  const double b = h(x0, y0 + 1) + (h(x0 + 1, y0 + 1) - h(x0, y0 + 1)) * s(tx);
  return a + (b - a) * s(ty);
}

double Fbm(double x, double y, int seed, int octaves) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += Noise(x, y, seed + i * 101) * amp;
    norm += amp;
    x *= 2.03, y *= 2.03, amp *= 0.5;
  }
  return sum / norm;
}

RGBA Lit(const QColor& base, double nx, double ny, double nz, double shine, double hardness) {
  const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  nx /= len, ny /= len, nz /= len;
  const double diff = std::max(0.0, nx * kLx + ny * kLy + nz * kLz);
  // Reflection of the light about the normal, seen from the front (0, 0, 1).
  const double d = nx * kLx + ny * kLy + nz * kLz;
  const double rz = 2 * d * nz - kLz;
  const double gloss = std::pow(std::max(0.0, rz), hardness) * shine;
  const double k = 0.28 + 0.85 * diff;
  return {base.redF() * k + gloss, base.greenF() * k + gloss, base.blueF() * k + gloss, 1.0};
}

RGBA Sphere(double x, double y, double cx, double cy, double r, const QColor& base, double shine, double hardness) {
  const double dx = (x - cx) / r, dy = (y - cy) / r, d2 = dx * dx + dy * dy;
  if (d2 >= 1) return {};
  RGBA c = Lit(base, dx, dy, std::sqrt(1 - d2), shine, hardness);
  // A touch of light bounced up from below keeps the dark side round.
  const double rim = std::pow(std::max(0.0, dy), 3) * d2 * 0.25;
  c.r += base.redF() * rim, c.g += base.greenF() * rim, c.b += base.blueF() * rim;
  return c;
}

RGBA MetalSphere(double x, double y, double r, const QColor& tint) {
  const double dx = x / r, dy = y / r, d2 = dx * dx + dy * dy;
  if (d2 >= 1) return {};
  const double nz = std::sqrt(1 - d2);
  // Reflected view ray's vertical part picks sky, horizon or ground.
  double env = MetalEnv(2 * dy * nz) * (0.8 + 0.2 * nz);
  RGBA c{tint.redF() * env, tint.greenF() * env, tint.blueF() * env, 1};
  const RGBA s = Lit(tint, dx, dy, nz, 1.0, 60);
  const double gloss = std::max(0.0, s.r - tint.redF() * 1.13);
  c.r += gloss, c.g += gloss, c.b += gloss;
  return c;
}

RGBA GlassSphere(double x, double y, double r, const QColor& tint) {
  const double dx = x / r, dy = y / r, d2 = dx * dx + dy * dy;
  if (d2 >= 1) return {};
  const double nz = std::sqrt(1 - d2);
  const double fresnel = std::pow(1 - nz, 2.2);
  RGBA c = Rgb(tint, 0.42 + 0.55 * fresnel);
  // A darker rim shows the edge of the glass.
  if (d2 > 0.8) c = Mix(c, Rgb(tint.darker(170), 1), std::pow((d2 - 0.8) / 0.2, 1.5));
  // Light focused through the ball glows on the far side.
  const double cx = dx - 0.35, cy = dy - 0.4;
  const double caustic = std::exp(-(cx * cx + cy * cy) * 7) * 0.9;
  c = Over(Rgb(tint.lighter(170), caustic), c);
  // Window highlight near the top left, and a small secondary one.
  const double hx = dx + 0.38, hy = dy + 0.42;
  const double hl = std::exp(-(hx * hx * 1.4 + hy * hy * 2.2) * 9);
  c = Over(RGBA{1, 1, 1, std::min(1.0, hl * 2.2)}, c);
  const double h2x = dx - 0.5, h2y = dy - 0.55;
  c = Over(RGBA{1, 1, 1, std::exp(-(h2x * h2x + h2y * h2y) * 60) * 0.6}, c);
  return c;
}

RGBA Torus(double x, double y, double rIn, double rOut, const QColor& base, bool metal) {
  const double d = std::sqrt(x * x + y * y);
  if (d <= rIn || d >= rOut) return {};
  const double mid = (rIn + rOut) / 2, tube = (rOut - rIn) / 2;
  const double t = (d - mid) / tube;  // -1 inner edge .. 1 outer edge
  const double nz = std::sqrt(std::max(0.0, 1 - t * t));
  const double nx = d > 0 ? t * x / d : 0, ny = d > 0 ? t * y / d : 0;
  if (metal) {
    const double env = MetalEnv(2 * ny * nz);
    const RGBA s = Lit(base, nx, ny, nz, 1.0, 50);
    const double gloss = std::max(0.0, s.r - base.redF() * 1.13);
    return {base.redF() * env + gloss, base.greenF() * env + gloss, base.blueF() * env + gloss, 1};
  }
  return Lit(base, nx, ny, nz, 0.8, 30);
}

QImage Puffy(const std::function<bool(double x, double y)>& inside,
             const std::function<RGBA(double x, double y)>& colour, const PuffyStyle& style) {
  const int n = kWork;
  auto coord = [n](int i) { return (i + 0.5) / n * 2 - 1; };
  // Distance to the outside, in pixels (two-pass chamfer, close enough).
  const double big = 1e9;
  std::vector<double> dist(size_t(n) * size_t(n));
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) dist[size_t(y * n + x)] = inside(coord(x), coord(y)) ? big : 0;
  auto at = [&](int x, int y) -> double {
    if (x < 0 || y < 0 || x >= n || y >= n) return 0;
    return dist[size_t(y * n + x)];
  };
  const double d1 = 1.0, d2 = 1.41421356;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double& d = dist[size_t(y * n + x)];
      if (d == 0) continue;
      d = std::min({d, at(x - 1, y) + d1, at(x, y - 1) + d1, at(x - 1, y - 1) + d2, at(x + 1, y - 1) + d2});
    }
  for (int y = n - 1; y >= 0; --y)
    for (int x = n - 1; x >= 0; --x) {
      double& d = dist[size_t(y * n + x)];
      if (d == 0) continue;
      d = std::min({d, at(x + 1, y) + d1, at(x, y + 1) + d1, at(x + 1, y + 1) + d2, at(x - 1, y + 1) + d2});
    }
  const double bevelPx = std::max(1.0, style.bevel * n / 2);
  std::vector<double> height(dist.size());
  for (size_t i = 0; i < dist.size(); ++i) {
    const double d = dist[i] - 0.5;
    if (dist[i] == 0) continue;
    if (style.facets) {
      height[i] = d;
    } else {
      const double t = std::min(1.0, std::max(0.0, d) / bevelPx);
      height[i] = std::sqrt(1 - (1 - t) * (1 - t)) * bevelPx;
    }
  }
  auto h = [&](int x, int y) {
    x = std::clamp(x, 0, n - 1), y = std::clamp(y, 0, n - 1);
    return height[size_t(y * n + x)];
  };
  QImage img = Blank();
  for (int y = 0; y < n; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < n; ++x) {
      if (dist[size_t(y * n + x)] == 0) continue;
      const double gx = (h(x + 1, y) - h(x - 1, y)) / 2, gy = (h(x, y + 1) - h(x, y - 1)) / 2;
      const double nx = -gx, ny = -gy, nz = style.facets ? 0.8 : 1.0;
      const RGBA base = colour(coord(x), coord(y));
      const QColor q = QColor::fromRgbF(float(Clamp01(base.r)), float(Clamp01(base.g)), float(Clamp01(base.b)));
      RGBA c;
      if (style.metal) {
        const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
        const double env = MetalEnv(2 * (ny / len) * (nz / len));
        const RGBA s = Lit(q, nx, ny, nz, 1.0, 50);
        const double gloss = std::max(0.0, s.r - q.redF() * 1.13);
        c = {q.redF() * env + gloss, q.greenF() * env + gloss, q.blueF() * env + gloss, base.a};
      } else {
        c = Lit(q, nx, ny, nz, style.shine, style.hardness);
        c.a = base.a;
      }
      if (style.translucent) {
        const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
        const double edge = 1 - nz / len;
        const double gloss = std::max(0.0, std::max({c.r, c.g, c.b}) - 1.0);
        c.a = base.a * std::min(1.0, 0.5 + 0.9 * edge + gloss * 2);
      }
      row[x] = ToPremul(c);
    }
  }
  return img;
}

}  // namespace brushgen
