// Drawing helpers of the brush generator: every frame is drawn at a large
// working size and scaled down smoothly, which gives the soft alpha edges.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>

#include <functional>
#include <string>

namespace brushgen {

inline constexpr int kWork = 128;  // working size of one frame in pixels

// Straight (not premultiplied) colour, channels 0..1.
struct RGBA {
  double r = 0, g = 0, b = 0, a = 0;
};

RGBA Rgb(const QColor& c, double a = 1.0);
RGBA Mix(const RGBA& x, const RGBA& y, double t);
// Puts `top` over `bottom` (both straight).
RGBA Over(const RGBA& top, const RGBA& bottom);
QColor Hsv(double hueDeg, double sat, double val);

// x, y in [-1, 1], y pointing down; the frame's centre is (0, 0).
using Shader = std::function<RGBA(double x, double y)>;
QImage Shade(const Shader& shader);

// Empty premultiplied working frame.
QImage Blank();
// Draws `src` onto a blank frame rotated by `deg`, scaled and moved (offsets
// in frame units, 1 = half the frame), about the centre.
QImage Transform(const QImage& src, double deg, double sx = 1, double sy = 1, double dx = 0, double dy = 0);
// Inverse-maps every pixel: `from(x, y)` gives where in `src` the pixel at
// (x, y) comes from, both in [-1, 1] frame units; bilinear sampling.
QImage Warp(const QImage& src, const std::function<QPointF(double x, double y)>& from);
// Rotates the hue of every pixel, scales saturation and value.
QImage Recolor(const QImage& src, double hueShift, double satScale = 1, double valScale = 1);
// Puts `top` over `bottom`.
QImage Stack(const QImage& bottom, const QImage& top);
// Multiplies every alpha by `a`.
QImage Fade(const QImage& src, double a);
// Mirrors left-right.
QImage Mirror(const QImage& src);

// The colour emoji glyph `utf8`, trimmed to its ink and fitted centred into
// `fill` of the frame. Cached; an unknown glyph aborts the generator.
QImage Glyph(const std::string& utf8, double fill = 0.9);

// Value noise and fractal noise in [0, 1].
double Noise(double x, double y, int seed);
double Fbm(double x, double y, int seed, int octaves = 4);

// Shading models, all taking the light from the upper left.
// A lit sphere of radius r at (cx, cy); alpha 0 outside.
RGBA Sphere(double x, double y, double cx, double cy, double r, const QColor& base, double shine = 0.8,
            double hardness = 40);
// Reflective metal: the sphere mirrors a sky/horizon/ground environment.
RGBA MetalSphere(double x, double y, double r, const QColor& tint);
// Glass: transparent body, bright rim and highlight, a caustic glow inside.
RGBA GlassSphere(double x, double y, double r, const QColor& tint);
// A torus seen face-on: ring between rIn and rOut.
RGBA Torus(double x, double y, double rIn, double rOut, const QColor& base, bool metal = false);
// Brightness of a mirror-like surface for a reflected ray going up (-1) or down (1).
double MetalEnv(double ry);
// Shading of a height-field surface with normal (nx, ny, nz).
RGBA Lit(const QColor& base, double nx, double ny, double nz, double shine, double hardness);

// A shape given by `inside` raised into a rounded (or, with facets, a
// pyramid-like) relief of `bevel` frame units and lit from the upper left.
// `colour` gives the surface colour and opacity at every point. Translucent
// shapes are clearer in the middle and denser at the rim, as a jelly is.
struct PuffyStyle {
  double bevel = 0.35;
  bool facets = false;
  double shine = 0.7;
  double hardness = 30;
  bool translucent = false;
  bool metal = false;
};
QImage Puffy(const std::function<bool(double x, double y)>& inside,
             const std::function<RGBA(double x, double y)>& colour, const PuffyStyle& style = {});

}  // namespace brushgen
