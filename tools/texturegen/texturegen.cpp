// Paints the 21 canvas textures from tileable noise and writes them as JPEG
// files. Every noise field repeats exactly once over the picture (integer
// lattice frequencies, wrapped cell indices, wrapped stamps), so the pictures
// tile without seams.
//
//   plumavo-texturegen OUTDIR                 writes OUTDIR/<name>.jpg
//   plumavo-texturegen --sheet INDIR OUT.png  contact sheet: each texture tiled
//                                             2 x 2, scaled down, with its name
//   plumavo-texturegen --tiled INDIR OUTDIR   each texture tiled over 1280 x 1280
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "media/image_file.h"

namespace {

using plumavo::TBitmap32;

constexpr int N = 512;  // side of every texture
constexpr float kTau = 6.28318530718f;

// ---------------------------------------------------------------- noise ----

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ (seed + 1u) * 0xCB1AB31Fu;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

float Hash01(uint32_t x, uint32_t y, uint32_t seed) { return float(Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f); }

int Wrap(int i, int p) {
  const int r = i % p;
  return r < 0 ? r + p : r;
}

float Frac(float x) { return x - std::floor(x); }
float Mix(float a, float b, float t) { return a + (b - a) * t; }
float Clamp01(float x) { return std::clamp(x, 0.0f, 1.0f); }
float Smooth(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

const std::array<std::array<float, 2>, 256>& Gradients() {
  static const auto table = [] {
    std::array<std::array<float, 2>, 256> t{};
    for (int i = 0; i < 256; ++i) t[size_t(i)] = {std::cos(kTau * float(i) / 256), std::sin(kTau * float(i) / 256)};
    return t;
  }();
  return table;
}

// Gradient noise whose lattice repeats every px by py cells; about -1..1.
float Perlin(float x, float y, int px, int py, uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = int(fx), iy = int(fy);
  const float dx = x - fx, dy = y - fy;
  const auto& g = Gradients();
  auto corner = [&](int cx, int cy, float ox, float oy) {
    const auto& d = g[Hash(uint32_t(Wrap(cx, px)), uint32_t(Wrap(cy, py)), seed) & 255u];
    return d[0] * ox + d[1] * oy;
  };
  const float u = dx * dx * dx * (dx * (dx * 6 - 15) + 10);
  const float v = dy * dy * dy * (dy * (dy * 6 - 15) + 10);
  const float a = Mix(corner(ix, iy, dx, dy), corner(ix + 1, iy, dx - 1, dy), u);
  const float b = Mix(corner(ix, iy + 1, dx, dy - 1), corner(ix + 1, iy + 1, dx - 1, dy - 1), u);
  return 1.4f * Mix(a, b, v);
}

// Fractal sum over octaves; (u, v) in texture units, fu x fv base cells.
float Fbm(float u, float v, int fu, int fv, int octaves, float gain, uint32_t seed) {
  float sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * Perlin(u * float(fu), v * float(fv), fu, fv, seed + uint32_t(o) * 101u);
    norm += amp;
    amp *= gain;
    fu *= 2;
    fv *= 2;
  }
  return sum / norm;
}

// Sharp creases where the noise crosses zero: rock, cracks.
float Ridged(float u, float v, int f, int octaves, float gain, uint32_t seed) {
  float sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    const float r = 1 - std::fabs(Perlin(u * float(f), v * float(f), f, f, seed + uint32_t(o) * 131u));
    sum += amp * r * r;
    norm += amp;
    amp *= gain;
    f *= 2;
  }
  return sum / norm;
}

struct Cell {
  float F1 = 9, F2 = 9;  // distances to the nearest and second point, in cells
  uint32_t Id = 0;       // hash of the nearest cell, same for its wrapped copies
  float Dx = 0, Dy = 0;  // offset from the nearest point, in cells
};

// Cellular noise over cells x cells jittered points, wrapping at the edges.
Cell Worley(float u, float v, int cells, uint32_t seed, float jitter = 0.9f) {
  const float x = u * float(cells), y = v * float(cells);
  const int ix = int(std::floor(x)), iy = int(std::floor(y));
  Cell c;
  for (int j = -1; j <= 1; ++j)
    for (int i = -1; i <= 1; ++i) {
      const int cx = ix + i, cy = iy + j;
      const uint32_t wx = uint32_t(Wrap(cx, cells)), wy = uint32_t(Wrap(cy, cells));
      const float px = float(cx) + 0.5f + jitter * (Hash01(wx, wy, seed) - 0.5f);
      const float py = float(cy) + 0.5f + jitter * (Hash01(wx, wy, seed + 7u) - 0.5f);
      const float dx = x - px, dy = y - py;
      const float d = std::sqrt(dx * dx + dy * dy);
      if (d < c.F1) {
        c.F2 = c.F1;
        c.F1 = d;
        c.Id = Hash(wx, wy, seed + 13u);
        c.Dx = dx;
        c.Dy = dy;
      } else if (d < c.F2) {
        c.F2 = d;
      }
    }
  return c;
}

float IdUnit(uint32_t id, uint32_t salt) { return Hash01(id, salt, 977u); }

// ------------------------------------------------------------- pictures ----

struct Rgb {
  float R = 0, G = 0, B = 0;
};
Rgb operator*(Rgb c, float k) { return {c.R * k, c.G * k, c.B * k}; }
Rgb operator+(Rgb a, Rgb b) { return {a.R + b.R, a.G + b.G, a.B + b.B}; }
Rgb MixRgb(Rgb a, Rgb b, float t) { return {Mix(a.R, b.R, t), Mix(a.G, b.G, t), Mix(a.B, b.B, t)}; }
Rgb Hex(uint32_t v) { return {float((v >> 16) & 255) / 255, float((v >> 8) & 255) / 255, float(v & 255) / 255}; }

// Piecewise-linear colour ramp over evenly spaced stops.
Rgb Ramp(std::initializer_list<uint32_t> stops, float t) {
  const std::vector<uint32_t> s(stops);
  const float x = Clamp01(t) * float(s.size() - 1);
  const size_t i = std::min(size_t(x), s.size() - 2);
  return MixRgb(Hex(s[i]), Hex(s[i + 1]), x - float(i));
}

using Field = std::vector<float>;
using Image = std::vector<Rgb>;

Field MakeField(const std::function<float(float u, float v, int x, int y)>& f) {
  Field out(size_t(N) * N);
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) out[size_t(y) * N + size_t(x)] = f((float(x) + 0.5f) / N, (float(y) + 0.5f) / N, x, y);
  return out;
}

void Normalise(Field& f) {
  const auto [lo, hi] = std::minmax_element(f.begin(), f.end());
  const float a = *lo, span = std::max(*hi - *lo, 1e-6f);
  for (float& v : f) v = (v - a) / span;
}

float At(const Field& f, int x, int y) { return f[size_t(Wrap(y, N)) * N + size_t(Wrap(x, N))]; }

// Light from the upper left over a height field; 1 on flat ground.
// strength scales the slopes (height units per pixel).
Field Shade(const Field& h, float strength, float ambient = 0.35f) {
  const float lx = -0.55f, ly = -0.55f, lz = 0.63f;
  Field out(h.size());
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      const float nx = -(At(h, x + 1, y) - At(h, x - 1, y)) * 0.5f * strength * N;
      const float ny = -(At(h, x, y + 1) - At(h, x, y - 1)) * 0.5f * strength * N;
      const float len = std::sqrt(nx * nx + ny * ny + 1);
      const float lambert = std::max(0.0f, (nx * lx + ny * ly + lz) / len) / lz;
      out[size_t(y) * N + size_t(x)] = ambient + (1 - ambient) * lambert;
    }
  return out;
}

// Per-pixel white noise, about -0.5..0.5.
float Grain(int x, int y, uint32_t seed) { return Hash01(uint32_t(x), uint32_t(y), seed) - 0.5f; }

Image MakeImage(const std::function<Rgb(float u, float v, int x, int y, size_t i)>& f) {
  Image img(size_t(N) * N);
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      const size_t i = size_t(y) * N + size_t(x);
      img[i] = f((float(x) + 0.5f) / N, (float(y) + 0.5f) / N, x, y, i);
    }
  return img;
}

// Points of a stamp are placed modulo the picture so stamps cross the edges.
void Blend(Image& img, int x, int y, Rgb c, float alpha) {
  Rgb& d = img[size_t(Wrap(y, N)) * N + size_t(Wrap(x, N))];
  d = MixRgb(d, c, Clamp01(alpha));
}
void Darken(Image& img, int x, int y, float k) {
  Rgb& d = img[size_t(Wrap(y, N)) * N + size_t(Wrap(x, N))];
  d = d * k;
}

// --------------------------------------------------------------- cement ----

Image Cement(bool second) {
  const uint32_t s = second ? 200 : 100;
  const Field tone = MakeField([&](float u, float v, int, int) { return Fbm(u, v, 4, 4, 7, 0.55f, s); });
  const Field stain = MakeField([&](float u, float v, int, int) { return Fbm(u, v, 2, 2, 4, 0.5f, s + 10); });
  Field height = MakeField([&](float u, float v, int x, int y) {
    const Cell pit = Worley(u, v, 56, s + 20, 1.0f);
    const bool isPit = IdUnit(pit.Id, 1) < (second ? 0.22f : 0.3f);
    const float depth = isPit ? Smooth(0.2f, 0.0f, pit.F1) * 0.6f : 0;
    return 0.5f * Fbm(u, v, 16, 16, 4, 0.5f, s + 30) + 0.12f * Grain(x, y, s + 40) - depth;
  });
  const Field light = Shade(height, 0.012f, 0.55f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const float t = 0.5f + 0.5f * tone[i];
    Rgb c = second ? Ramp({0x6E675E, 0x8A8176, 0x9C9387}, t) : Ramp({0x9A9A97, 0xB4B4B0, 0xC6C5C0}, t);
    c = c * (1 - (second ? 0.28f : 0.12f) * Smooth(0.0f, 0.5f, stain[i]));
    if (second) {
      // Hairline cracks along a few stretches of a wobbly cell network.
      const float wu = u + 0.015f * Fbm(u, v, 8, 8, 3, 0.5f, s + 50);
      const float wv = v + 0.015f * Fbm(u, v, 8, 8, 3, 0.5f, s + 51);
      const Cell net = Worley(wu, wv, 3, s + 52, 0.9f);
      const float mask = Smooth(0.15f, 0.35f, Fbm(u, v, 3, 3, 3, 0.5f, s + 53));
      c = c * (1 - 0.4f * Smooth(0.012f, 0.0f, net.F2 - net.F1) * mask);
      // Darker pores and bits of aggregate.
      const Cell stone = Worley(u, v, 40, s + 54, 1.0f);
      if (IdUnit(stone.Id, 1) < 0.25f && stone.F1 < 0.22f) c = c * (0.8f + 0.3f * IdUnit(stone.Id, 2));
    }
    return c * light[i] + Rgb{1, 1, 1} * (0.05f * Grain(x, y, s + 60));
  });
}

// --------------------------------------------------------------- ground ----

Image GroundPebbles() {
  const uint32_t s = 300;
  Field height = MakeField([&](float u, float v, int x, int y) {
    float h = 0.35f * Fbm(u, v, 8, 8, 5, 0.55f, s) + 0.06f * Grain(x, y, s + 1);
    for (int layer = 0; layer < 2; ++layer) {
      const Cell c = Worley(u, v, layer ? 30 : 18, s + 10 + uint32_t(layer), 0.8f);
      const float r = 0.18f + 0.22f * IdUnit(c.Id, 2);
      if (IdUnit(c.Id, 1) < 0.45f && c.F1 < r)
        h = std::max(h, 0.25f + 0.6f * std::sqrt(1 - (c.F1 / r) * (c.F1 / r)) * (layer ? 0.6f : 1.0f));
    }
    return h;
  });
  const Field light = Shade(height, 0.05f, 0.3f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const float soil = 0.5f + 0.5f * Fbm(u, v, 4, 4, 6, 0.6f, s + 20);
    Rgb c = Ramp({0x3B2A1D, 0x5A4330, 0x6E563E}, soil);
    for (int layer = 0; layer < 2; ++layer) {
      const Cell p = Worley(u, v, layer ? 30 : 18, s + 10 + uint32_t(layer), 0.8f);
      const float r = 0.18f + 0.22f * IdUnit(p.Id, 2);
      if (IdUnit(p.Id, 1) < 0.45f && p.F1 < r) {
        const float k = IdUnit(p.Id, 3);
        c = k < 0.4f ? Hex(0x8C857A) : k < 0.75f ? Hex(0xA08B6C) : Hex(0x6F6A66);
        c = c * (0.85f + 0.3f * IdUnit(p.Id, 4));
      }
    }
    return c * light[i] + Rgb{1, 0.9f, 0.8f} * (0.05f * Grain(x, y, s + 30));
  });
}

Image GroundCracked() {
  const uint32_t s = 400;
  auto warp = [&](float u, float v) {
    return std::pair{u + 0.03f * Fbm(u, v, 4, 4, 3, 0.5f, s), v + 0.03f * Fbm(u, v, 4, 4, 3, 0.5f, s + 1)};
  };
  Field height = MakeField([&](float u, float v, int x, int y) {
    const auto [wu, wv] = warp(u, v);
    const Cell big = Worley(wu, wv, 7, s + 2, 0.85f);
    const Cell small = Worley(wu, wv, 17, s + 3, 0.85f);
    const float edge = std::min(big.F2 - big.F1, (small.F2 - small.F1) * 2.2f);
    return 0.5f * Smooth(0.0f, 0.12f, edge) + 0.08f * Fbm(u, v, 16, 16, 3, 0.5f, s + 4) + 0.04f * Grain(x, y, s + 5);
  });
  const Field light = Shade(height, 0.03f, 0.4f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const auto [wu, wv] = warp(u, v);
    const Cell big = Worley(wu, wv, 7, s + 2, 0.85f);
    const Cell small = Worley(wu, wv, 17, s + 3, 0.85f);
    const float edge = std::min(big.F2 - big.F1, (small.F2 - small.F1) * 2.2f);
    const float plate = 0.5f + 0.5f * Fbm(u, v, 3, 3, 5, 0.5f, s + 6);
    Rgb c = Ramp({0x9C8466, 0xB59C7A, 0xC4AD8A}, plate) * (0.9f + 0.2f * IdUnit(big.Id, 1));
    c = MixRgb(Hex(0x3A2B1E), c, Smooth(0.005f, 0.05f, edge));
    return c * light[i] + Rgb{1, 1, 1} * (0.04f * Grain(x, y, s + 7));
  });
}

// --------------------------------------------------------------- leaves ----

struct LeafPalette {
  std::vector<uint32_t> Colours;
  uint32_t Ground;
  uint32_t GroundLight;
};

Image Leaves(const LeafPalette& pal, uint32_t s, int count, float minLen, float maxLen, float slenderness) {
  Image img = MakeImage([&](float u, float v, int x, int y, size_t) {
    const float t = 0.5f + 0.5f * Fbm(u, v, 4, 4, 5, 0.55f, s);
    return MixRgb(Hex(pal.Ground), Hex(pal.GroundLight), t) + Rgb{1, 1, 1} * (0.03f * Grain(x, y, s + 1));
  });
  for (int k = 0; k < count; ++k) {
    const float cx = Hash01(uint32_t(k), 1, s) * N, cy = Hash01(uint32_t(k), 2, s) * N;
    const float angle = Hash01(uint32_t(k), 3, s) * kTau;
    const float len = Mix(minLen, maxLen, Hash01(uint32_t(k), 4, s));
    const float halfWidth = len * slenderness * Mix(0.8f, 1.2f, Hash01(uint32_t(k), 5, s));
    const float bend = (Hash01(uint32_t(k), 6, s) - 0.5f) * 0.5f;
    Rgb colour = Hex(pal.Colours[Hash(uint32_t(k), 7, s) % pal.Colours.size()]);
    colour = colour * Mix(0.8f, 1.15f, Hash01(uint32_t(k), 8, s));
    const float ca = std::cos(angle), sa = std::sin(angle);
    const int reach = int(len) + 2;
    // A soft shadow first, offset down and right, then the leaf itself.
    for (int pass = 0; pass < 2; ++pass) {
      const float ox = pass == 0 ? 4.0f : 0.0f, oy = pass == 0 ? 5.0f : 0.0f;
      for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
          const float px = float(dx) - ox, py = float(dy) - oy;
          const float along = (px * ca + py * sa) / len;    // -1..1 tip to stem
          float across = (-px * sa + py * ca) / halfWidth;  // -1..1 edge to edge
          across -= bend * (1 - along * along) * 2;         // a slight curve
          if (std::fabs(along) >= 1) continue;
          const float w =
              std::pow(std::sin(kTau / 4 * (1 - along) * 1.0f), 0.75f) * std::pow(std::cos(kTau / 4 * along), 0.6f);
          const float inside = w - std::fabs(across);
          if (inside <= 0) continue;
          const int X = int(std::lround(cx)) + dx, Y = int(std::lround(cy)) + dy;
          if (pass == 0) {
            Darken(img, X, Y, 1 - 0.35f * Smooth(0.0f, 0.5f, inside));
            continue;
          }
          const float rib = Smooth(0.09f, 0.0f, std::fabs(across));
          const float vein =
              Smooth(0.88f, 1.0f, std::fabs(std::sin((along * 5 + std::fabs(across) * 2.2f) * kTau / 2)));
          const float edgeShade = 0.75f + 0.25f * Smooth(0.0f, 0.6f, inside);
          const float sideLight = 0.92f + 0.12f * (across > 0 ? 1.0f : -0.4f) * std::fabs(across);
          Rgb c = colour * (edgeShade * sideLight * (1 - 0.12f * vein)) + Rgb{1, 0.95f, 0.7f} * (0.14f * rib);
          c = c + Rgb{1, 1, 1} * (0.03f * Grain(X, Y, s + 9));
          Blend(img, X, Y, c, Smooth(0.0f, 0.06f, inside));
        }
    }
  }
  return img;
}

// ------------------------------------------------------------------ mud ----

Image Mud(bool second) {
  const uint32_t s = second ? 600 : 500;
  // Many small puddles rather than a few big ones, which would repeat visibly.
  const Field pools = MakeField([&](float u, float v, int, int) {
    return second ? Smooth(-0.28f, -0.38f, Fbm(u, v, 8, 8, 3, 0.5f, s + 9)) : 0.0f;
  });
  Field height = MakeField([&](float u, float v, int x, int y) {
    const float wu = u + 0.05f * Fbm(u, v, 4, 4, 3, 0.5f, s), wv = v + 0.05f * Fbm(u, v, 4, 4, 3, 0.5f, s + 1);
    float h = 0.5f + 0.5f * Fbm(wu, wv, 6, 6, 5, 0.45f, s + 2);
    // Churned mud: soft ridges pushed up between the hollows.
    if (second) h = 0.6f * h + 0.4f * Ridged(wu, wv, 6, 3, 0.45f, s + 7);
    return h + 0.015f * Grain(x, y, s + 3);
  });
  Normalise(height);
  Field flat = height;
  for (size_t i = 0; i < flat.size(); ++i) flat[i] = Mix(flat[i], 0.3f, pools[i]);
  const Field light = Shade(flat, second ? 0.03f : 0.04f, 0.35f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const float h = height[i];
    const float tone = 0.5f + 0.5f * Fbm(u, v, 6, 6, 4, 0.5f, s + 4);
    Rgb c = second ? Ramp({0x5A4633, 0x74604A, 0x8A755C}, tone * 0.6f + h * 0.4f)
                   : Ramp({0x2A1C12, 0x3E2B1A, 0x553C26}, tone * 0.5f + h * 0.5f);
    c = c * light[i];
    // Wet sheen on the slopes facing the light.
    c = c + Rgb{0.9f, 0.85f, 0.8f} * (second ? 0.12f : 0.25f) * Smooth(1.1f, 1.5f, light[i]);
    // Muddy water: smooth, a little lighter than the mud, with faint ripples.
    const Rgb pool = Hex(0x8C7A60) * (0.94f + 0.1f * Fbm(u, v, 8, 16, 2, 0.5f, s + 5));
    c = MixRgb(c, pool, 0.85f * pools[i]);
    return c + Rgb{1, 1, 1} * (0.02f * Grain(x, y, s + 6));
  });
}

// ----------------------------------------------------------------- rock ----

Image RockGrey() {
  const uint32_t s = 700;
  Field height = MakeField([&](float u, float v, int x, int y) {
    // A strong warp bends the creases so they follow no lattice direction.
    const float wu = u + 0.14f * Fbm(u, v, 2, 2, 4, 0.5f, s), wv = v + 0.14f * Fbm(u, v, 2, 2, 4, 0.5f, s + 1);
    const Cell c = Worley(wu, wv, 6, s + 5, 0.9f);
    return 0.5f * Ridged(wu, wv, 5, 5, 0.55f, s + 2) + 0.42f * (0.5f + 0.5f * Fbm(wu, wv, 4, 4, 6, 0.55f, s + 3)) +
           0.08f * Smooth(0.0f, 0.25f, c.F2 - c.F1) + 0.02f * Grain(x, y, s + 4);
  });
  Normalise(height);
  const Field light = Shade(height, 0.05f, 0.3f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const float tone = 0.5f + 0.5f * Fbm(u, v, 4, 4, 5, 0.5f, s + 6);
    Rgb c = Ramp({0x4D4F52, 0x75777A, 0x8E8F8E}, 0.6f * tone + 0.4f * height[i]);
    // Pale lichen spots here and there.
    const float lichen = Smooth(0.35f, 0.5f, Fbm(u, v, 12, 12, 3, 0.5f, s + 7));
    c = MixRgb(c, Hex(0xA5A88C), 0.35f * lichen);
    return c * light[i] + Rgb{1, 1, 1} * (0.05f * Grain(x, y, s + 8));
  });
}

Image RockStrata() {
  const uint32_t s = 800;
  auto bands = [&](float u, float v) { return v * 7 + 0.45f * Fbm(u, v, 2, 2, 4, 0.5f, s); };
  Field height = MakeField([&](float u, float v, int x, int y) {
    const float b = bands(u, v);
    const float step = Smooth(0.0f, 0.12f, Frac(b * 2)) * 0.25f;
    return step + 0.5f * Ridged(u, v, 4, 5, 0.5f, s + 1) + 0.02f * Grain(x, y, s + 2);
  });
  const Field light = Shade(height, 0.03f, 0.35f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const float b = bands(u, v);
    const float layer = Hash01(uint32_t(Wrap(int(std::floor(b * 2)), 14)), 0, s + 3);
    Rgb c = Ramp({0x8A4B2F, 0xA8603A, 0xC07E4E, 0xD4A16E, 0xE0C096}, layer);
    c = c * (0.88f + 0.2f * Fbm(u, v, 8, 8, 4, 0.5f, s + 4));
    return c * light[i] + Rgb{1, 0.9f, 0.8f} * (0.05f * Grain(x, y, s + 5));
  });
}

Image RockGranite() {
  const uint32_t s = 900;
  Field height = MakeField(
      [&](float u, float v, int x, int y) { return 0.5f * Fbm(u, v, 6, 6, 5, 0.5f, s) + 0.05f * Grain(x, y, s + 1); });
  const Field light = Shade(height, 0.02f, 0.55f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const float wu = u + 0.01f * Fbm(u, v, 16, 16, 2, 0.5f, s + 2), wv = v + 0.01f * Fbm(u, v, 16, 16, 2, 0.5f, s + 3);
    const Cell crystal = Worley(wu, wv, 96, s + 4, 1.0f);
    const Cell fine = Worley(wu, wv, 190, s + 5, 1.0f);
    const float k = IdUnit(crystal.Id, 1), f = IdUnit(fine.Id, 1);
    Rgb c = k < 0.16f ? Hex(0x1E1C1D) : k < 0.42f ? Hex(0xD9D3CE) : k < 0.72f ? Hex(0xB98A80) : Hex(0x8E8784);
    if (f < 0.12f) c = Hex(0x2A2727);
    c = c * (0.85f + 0.3f * IdUnit(crystal.Id, 2));
    return c * light[i] + Rgb{1, 1, 1} * (0.04f * Grain(x, y, s + 6));
  });
}

// ----------------------------------------------------------------- sand ----

Image Sand(bool second) {
  const uint32_t s = second ? 1100 : 1000;
  // Ripples run across an integer wave vector so they repeat with the tile.
  const float ku = second ? 9 : 3, kv = second ? 7 : 16;
  Field height = MakeField([&](float u, float v, int x, int y) {
    const float warp = (second ? 2.2f : 1.6f) * Fbm(u, v, 2, 2, 4, 0.5f, s);
    const float phase = Frac(u * ku + v * kv + warp);
    // Asymmetric ripples: a long gentle slope and a short steep one.
    const float ripple = phase < 0.7f ? phase / 0.7f : (1 - phase) / 0.3f;
    const float amount = second ? 0.9f : 0.45f;
    return amount * Smooth(0.0f, 1.0f, ripple) * (0.6f + 0.4f * Fbm(u, v, 3, 3, 2, 0.5f, s + 1)) +
           0.12f * Grain(x, y, s + 2);
  });
  const Field light = Shade(height, second ? 0.012f : 0.008f, 0.5f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const float tone = 0.5f + 0.5f * Fbm(u, v, 3, 3, 5, 0.5f, s + 3);
    Rgb c = second ? Ramp({0xB27D45, 0xC8955A, 0xD8A96C}, tone) : Ramp({0xCDBB98, 0xDDCCA8, 0xE8DABA}, tone);
    const float g = Hash01(uint32_t(x), uint32_t(y), s + 4);
    if (g < 0.02f)
      c = c * 0.6f;  // dark grains
    else if (g > 0.985f)
      c = c * 1.2f;  // glinting grains
    return c * light[i] + Rgb{1, 1, 1} * (0.06f * Grain(x, y, s + 5));
  });
}

// -------------------------------------------------------------- seaweed ----

struct StrandStyle {
  uint32_t Seed;
  int Count;
  float MinWidth, MaxWidth;
  float MinLength, MaxLength;
  float Sway;
  float MaxWaves;  // sways along one strand
  std::vector<uint32_t> Colours;
  uint32_t Deep, Shallow;
};

Image Seaweed(const StrandStyle& st) {
  const uint32_t s = st.Seed;
  Image img = MakeImage([&](float u, float v, int x, int y, size_t) {
    const float t = 0.5f + 0.5f * Fbm(u, v, 3, 3, 5, 0.55f, s);
    return MixRgb(Hex(st.Deep), Hex(st.Shallow), t) + Rgb{1, 1, 1} * (0.03f * Grain(x, y, s + 1));
  });
  for (int k = 0; k < st.Count; ++k) {
    const float x0 = Hash01(uint32_t(k), 1, s) * N, y0 = Hash01(uint32_t(k), 2, s) * N;
    const float len = Mix(st.MinLength, st.MaxLength, Hash01(uint32_t(k), 3, s));
    const float width = Mix(st.MinWidth, st.MaxWidth, Hash01(uint32_t(k), 4, s));
    const float lean = (Hash01(uint32_t(k), 5, s) - 0.5f) * 0.6f;
    const float phase = Hash01(uint32_t(k), 6, s) * kTau;
    const float waves = Mix(0.6f, st.MaxWaves, Hash01(uint32_t(k), 7, s));
    Rgb colour = Hex(st.Colours[Hash(uint32_t(k), 8, s) % st.Colours.size()]);
    colour = colour * Mix(0.75f, 1.15f, Hash01(uint32_t(k), 9, s));
    // Walk down the strand one pixel row at a time, filling a span across it.
    for (int pass = 0; pass < 2; ++pass) {
      const float shadowX = pass == 0 ? 3.0f : 0.0f;
      for (int step = 0; step <= int(len); ++step) {
        const float t = float(step) / len;
        const float cx = x0 + lean * float(step) + st.Sway * std::sin(t * waves * kTau + phase) + shadowX;
        const float half = width * std::pow(std::sin(kTau / 2 * std::min(0.98f, 0.05f + t)), 0.5f) *
                           (0.85f + 0.15f * std::sin(t * 23 + phase));
        const int Y = int(y0) + step;
        for (int X = int(std::floor(cx - half)) - 1; X <= int(std::ceil(cx + half)) + 1; ++X) {
          const float across = (float(X) - cx) / std::max(half, 0.5f);
          const float inside = 1 - std::fabs(across);
          if (inside <= 0) continue;
          if (pass == 0) {
            Darken(img, X, Y, 1 - 0.3f * inside);
            continue;
          }
          const float lightAcross = 0.7f + 0.45f * std::sqrt(inside) - 0.12f * across;
          Rgb c = colour * lightAcross + Rgb{0.9f, 1, 0.7f} * (0.12f * Smooth(0.75f, 1.0f, inside));
          c = c + Rgb{1, 1, 1} * (0.03f * Grain(X, Y, s + 10));
          Blend(img, X, Y, c, Smooth(0.0f, 0.35f, inside * std::max(half, 0.5f)));
        }
      }
    }
  }
  return img;
}

// ---------------------------------------------------------------- stone ----

Image StoneCobbles() {
  const uint32_t s = 1300;
  auto cell = [&](float u, float v) {
    const float wu = u + 0.012f * Fbm(u, v, 8, 8, 2, 0.5f, s), wv = v + 0.012f * Fbm(u, v, 8, 8, 2, 0.5f, s + 1);
    return Worley(wu, wv, 9, s + 2, 0.75f);
  };
  Field height = MakeField([&](float u, float v, int x, int y) {
    const Cell c = cell(u, v);
    const float dome = Smooth(0.03f, 0.35f, c.F2 - c.F1);
    return 0.8f * std::sqrt(dome) + 0.08f * Fbm(u, v, 24, 24, 3, 0.5f, s + 3) + 0.03f * Grain(x, y, s + 4);
  });
  const Field light = Shade(height, 0.02f, 0.3f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const Cell c = cell(u, v);
    const float k = IdUnit(c.Id, 1);
    Rgb stone = k < 0.35f ? Hex(0x7C7A76) : k < 0.65f ? Hex(0x8A7D6C) : k < 0.85f ? Hex(0x6B6F73) : Hex(0x9A958C);
    stone = stone * (0.85f + 0.3f * IdUnit(c.Id, 2)) * (0.9f + 0.2f * Fbm(u, v, 16, 16, 3, 0.5f, s + 5));
    const Rgb joint = Hex(0x3E372F) * (0.8f + 0.3f * Fbm(u, v, 32, 32, 2, 0.5f, s + 6));
    const Rgb col = MixRgb(joint, stone, Smooth(0.02f, 0.08f, c.F2 - c.F1));
    return col * light[i] + Rgb{1, 1, 1} * (0.04f * Grain(x, y, s + 7));
  });
}

Image StoneFlags() {
  const uint32_t s = 1400;
  auto cell = [&](float u, float v) {
    const float wu = u + 0.006f * Fbm(u, v, 16, 16, 2, 0.5f, s), wv = v + 0.006f * Fbm(u, v, 16, 16, 2, 0.5f, s + 1);
    return Worley(wu, wv, 5, s + 2, 0.85f);
  };
  Field height = MakeField([&](float u, float v, int x, int y) {
    const Cell c = cell(u, v);
    return 0.35f * Smooth(0.01f, 0.035f, c.F2 - c.F1) + 0.12f * Fbm(u, v, 8, 8, 5, 0.55f, s + 3) +
           0.02f * Grain(x, y, s + 4) + 0.05f * IdUnit(c.Id, 9);
  });
  const Field light = Shade(height, 0.02f, 0.45f);
  return MakeImage([&](float u, float v, int x, int y, size_t i) {
    const Cell c = cell(u, v);
    const float k = IdUnit(c.Id, 1);
    Rgb stone = k < 0.3f ? Hex(0x9A968C) : k < 0.55f ? Hex(0xB09A78) : k < 0.8f ? Hex(0x8F7A6A) : Hex(0xA8A59C);
    stone = stone * (0.9f + 0.2f * IdUnit(c.Id, 2));
    // Mottled surface of each slab, offset per slab so neighbours differ.
    const float off = IdUnit(c.Id, 3);
    stone = stone * (0.85f + 0.25f * (0.5f + 0.5f * Fbm(u + off, v + off, 6, 6, 5, 0.55f, s + 5)));
    const Rgb grout = Hex(0x6B665E);
    const Rgb col = MixRgb(grout, stone, Smooth(0.006f, 0.02f, c.F2 - c.F1));
    return col * light[i] + Rgb{1, 1, 1} * (0.05f * Grain(x, y, s + 6));
  });
}

// ---------------------------------------------------------------- water ----

Image Water() {
  const uint32_t s = 1500;
  auto caustic = [&](float u, float v, int cells, uint32_t seed) {
    const float wu = u + 0.04f * Fbm(u, v, 3, 3, 3, 0.5f, seed), wv = v + 0.04f * Fbm(u, v, 3, 3, 3, 0.5f, seed + 1);
    const Cell c = Worley(wu, wv, cells, seed + 2, 0.9f);
    return std::pow(1 - Smooth(0.0f, 0.3f, c.F2 - c.F1), 3.0f);
  };
  return MakeImage([&](float u, float v, int x, int y, size_t) {
    const float depth = 0.5f + 0.5f * Fbm(u, v, 2, 2, 5, 0.55f, s);
    Rgb c = Ramp({0x0B3D63, 0x145A85, 0x2178A0}, depth);
    const float a = caustic(u, v, 7, s + 10), b = caustic(u, v, 11, s + 20);
    c = c + Rgb{0.55f, 0.85f, 0.95f} * (0.3f * a + 0.22f * b);
    // Small wind ripples on the surface.
    const float ripple = Fbm(u, v, 24, 12, 3, 0.5f, s + 30);
    c = c * (0.94f + 0.12f * ripple);
    return c + Rgb{1, 1, 1} * (0.02f * Grain(x, y, s + 40));
  });
}

// ----------------------------------------------------------------- wood ----

struct WoodStyle {
  int Rings;       // rings across the tile (an integer keeps the tile seamless)
  float Bend;      // how far the rings wander, in rings
  float Contrast;  // how dark the late wood gets
  uint32_t Early, Late;
};

// Plain-sawn grain running along u: each ring darkens slowly towards its late
// wood and jumps back to light; long fibres streak it.
Rgb WoodAt(const WoodStyle& w, float u, float v, int x, int y, uint32_t s, float tint) {
  // Rings wander slowly along the grain; their spacing changes across it.
  const float bend = w.Bend * Fbm(u, v, 1, 2, 2, 0.4f, s) + 0.35f * Perlin(u, v * 12, 1, 12, s + 1) +
                     0.08f * Perlin(u * 2, v * 24, 2, 24, s + 5);
  const float r = v * float(w.Rings) + bend;
  const float ring = Frac(r);
  // Each ring its own shade; a thin dark band of late wood at its end.
  const float ringTone = Hash01(uint32_t(Wrap(int(std::floor(r)), w.Rings)), 0, s + 6);
  const float late =
      w.Contrast * (0.35f * ring * ring + 0.65f * std::pow(ring, 8.0f)) * (1 - Smooth(0.96f, 1.0f, ring));
  Rgb c = MixRgb(Hex(w.Early), Hex(w.Late), late) * (0.93f + 0.12f * ringTone);
  const float fibres = Fbm(u, v, 4, 192, 3, 0.55f, s + 2);
  const float patches = Fbm(u, v, 2, 3, 3, 0.5f, s + 3);
  c = c * (tint * (0.96f + 0.1f * fibres) * (0.95f + 0.1f * patches));
  return c + Rgb{1, 0.9f, 0.8f} * (0.02f * Grain(x, y, s + 4));
}

Image Wood(const WoodStyle& w, uint32_t s) {
  return MakeImage([&](float u, float v, int x, int y, size_t) { return WoodAt(w, u, v, x, y, s, 1.0f); });
}

// Floor boards: rows of boards, one joint per row at a different place.
Image WoodPlanks() {
  const uint32_t s = 1800;
  const WoodStyle w{24, 1.2f, 0.75f, 0xB0643E, 0x5E2A18};
  constexpr int kRows = 8, kRowHeight = N / kRows;
  return MakeImage([&](float u, float v, int x, int y, size_t) {
    const int row = y / kRowHeight, inRow = y % kRowHeight;
    const float joint = Hash01(uint32_t(row), 1, s);
    const int board = Frac(u - joint) < 0.5f ? 0 : 1;  // the row holds a board and a half
    const uint32_t id = uint32_t(row * 2 + board);
    const float tint = 0.8f + 0.3f * Hash01(id, 3, s);
    // Each board is cut from a different part of the log.
    const float shift = Hash01(id, 4, s);
    Rgb c = WoodAt(w, u + shift, v + shift * 0.37f, x, y, s + id * 10u, tint);
    const float toJoint = std::min({Frac(u - joint), 1 - Frac(u - joint), std::fabs(Frac(u - joint) - 0.5f)}) * N;
    if (inRow < 2 || toJoint < 1.0f) return Hex(0x24120A);
    if (inRow < 4 || toJoint < 3.0f) c = c * 1.08f;
    if (inRow >= kRowHeight - 2) c = c * 0.8f;
    return c;
  });
}

// ----------------------------------------------------------------- list ----

struct Texture {
  const char* Name;
  std::function<Image()> Make;
};

std::vector<Texture> AllTextures() {
  const LeafPalette green{{0x3F7A2A, 0x4E8C30, 0x2F6425, 0x5E9A3A, 0x6B8F2E}, 0x1B2A12, 0x2C3D1A};
  const LeafPalette autumn{{0xB5481E, 0xD07A22, 0xC9A02C, 0x8E3A1C, 0xA0622A, 0x7A4A24}, 0x2E2014, 0x4A3420};
  return {
      {"Cement 1", [] { return Cement(false); }},
      {"Cement 2", [] { return Cement(true); }},
      {"Ground 1", [] { return GroundPebbles(); }},
      {"Ground 2", [] { return GroundCracked(); }},
      {"Leaves 1", [green] { return Leaves(green, 2000, 260, 34, 58, 0.36f); }},
      {"Leaves 2", [autumn] { return Leaves(autumn, 2100, 200, 40, 70, 0.48f); }},
      {"Mud 1", [] { return Mud(false); }},
      {"Mud 2", [] { return Mud(true); }},
      {"Rock 1", [] { return RockGrey(); }},
      {"Rock 2", [] { return RockStrata(); }},
      {"Rock 3", [] { return RockGranite(); }},
      {"Sand 1", [] { return Sand(false); }},
      {"Sand 2", [] { return Sand(true); }},
      {"Seaweed 1",
       [] {
         return Seaweed(
             {1200, 70, 5, 11, 180, 420, 14, 2.5f, {0x5B5A1E, 0x6E5F22, 0x4E4A1A, 0x7A6A2A}, 0x10201C, 0x1E3328});
       }},
      {"Seaweed 2",
       [] {
         return Seaweed({1250,
                         120,
                         4.0f,
                         8.0f,
                         120,
                         280,
                         10,
                         1.2f,
                         {0x8E2A3A, 0xA8404A, 0x6E2238, 0xB85A4E, 0x7A3A2A},
                         0x0A2A34,
                         0x145058});
       }},
      {"Stone 1", [] { return StoneCobbles(); }},
      {"Stone 2", [] { return StoneFlags(); }},
      {"Water", [] { return Water(); }},
      {"Wood 1",
       [] {
         return Wood({9, 1.6f, 0.55f, 0xE3C08F, 0xA8703C}, 1600);
       }},
      {"Wood 2",
       [] {
         return Wood({15, 2.4f, 0.85f, 0x7A5034, 0x2E1A0E}, 1700);
       }},
      {"Wood 3", [] { return WoodPlanks(); }},
  };
}

TBitmap32 ToBitmap(const Image& img) {
  TBitmap32 b(N, N);
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      const Rgb& c = img[size_t(y) * N + size_t(x)];
      auto byte = [](float f) { return uint8_t(std::lround(Clamp01(f) * 255)); };
      b.Pixel(x, y) = plumavo::Color32(byte(c.R), byte(c.G), byte(c.B));
    }
  return b;
}

// ------------------------------------------------------------ the sheet ----

// A 5 x 7 pixel font for the texture names.
const char* Glyph(char ch) {
  struct G {
    char C;
    const char* Rows;
  };
  static const G kFont[] = {
      {'C', ".###.#...##....#....#....#...#.###."}, {'G', ".###.#...##....#.####...##...#.###."},
      {'L', "#....#....#....#....#....#....#####"}, {'M', "#...###.###.#.##...##...##...##...#"},
      {'R', "####.#...##...#####.#.#..#..#.#...#"}, {'S', ".#####....#.....###.....#....#####."},
      {'W', "#...##...##...##.#.##.#.##.#.#.#.#."}, {'a', "...........###.....#.#####...#.####"},
      {'c', "..........####.#....#....#.....####"}, {'d', "....#....#.##.##..###...##...#.####"},
      {'e', "..........###.#...######.#.....###."}, {'k', "#....#....#..#.#.#..##...#.#..#..#."},
      {'m', "..........##.#.#.#.##.#.##.#.##...#"}, {'n', "..........#.##.##..##...##...##...#"},
      {'o', "...........###.#...##...##...#.###."}, {'r', "..........#.##.##..##....#....#...."},
      {'s', "..........####.#.....###.....#####."}, {'t', ".#....#...####..#....#....#.#...##."},
      {'u', "..........#...##...##...##..##.##.#"}, {'v', "..........#...##...##...#.#.#...#.."},
      {'w', "..........#...##...##.#.##.#.#.#.#."}, {'1', "..#...##....#....#....#....#...###."},
      {'2', ".###.#...#....#...#...#...#...#####"}, {'3', ".###.#...#....#..##.....##...#.###."},
  };
  for (const G& g : kFont)
    if (g.C == ch) return g.Rows;
  return nullptr;
}

void DrawText(TBitmap32& b, int x, int y, const std::string& text, int scale) {
  for (char ch : text) {
    if (const char* rows = Glyph(ch))
      for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 5; ++c)
          if (std::strlen(rows) == 35 && rows[r * 5 + c] == '#')
            b.FillRect(x + c * scale, y + r * scale, x + (c + 1) * scale, y + (r + 1) * scale,
                       plumavo::Color32(20, 20, 20));
    x += 6 * scale;
  }
}

int ContactSheet(const std::string& inDir, const std::string& out) {
  constexpr int kCell = 256, kGap = 10, kLabel = 26, kColumns = 7;
  const auto list = AllTextures();
  const int rows = int((list.size() + kColumns - 1) / kColumns);
  TBitmap32 sheet(kColumns * (kCell + kGap) + kGap, rows * (kCell + kLabel + kGap) + kGap);
  sheet.Clear(plumavo::Color32(235, 235, 230));
  for (size_t k = 0; k < list.size(); ++k) {
    TBitmap32 tex;
    const std::string path = inDir + "/" + list[k].Name + ".jpg";
    if (!plumavo::LoadImageFile(tex, path, 0)) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 1;
    }
    const int x0 = kGap + int(k % kColumns) * (kCell + kGap), y0 = kGap + int(k / kColumns) * (kCell + kLabel + kGap);
    // The texture tiled 2 x 2, each output pixel the mean of a block.
    const int span = 2 * tex.Width(), step = std::max(1, span / kCell);
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x) {
        int r = 0, g = 0, bl = 0, n = 0;
        for (int j = 0; j < step; ++j)
          for (int i = 0; i < step; ++i) {
            const auto p = tex.Pixel((x * step + i) % tex.Width(), (y * step + j) % tex.Height());
            r += plumavo::RedComponent(p);
            g += plumavo::GreenComponent(p);
            bl += plumavo::BlueComponent(p);
            ++n;
          }
        sheet.Pixel(x0 + x, y0 + y) = plumavo::Color32(uint8_t(r / n), uint8_t(g / n), uint8_t(bl / n));
      }
    DrawText(sheet, x0 + 2, y0 + kCell + 6, list[k].Name, 2);
  }
  return plumavo::SaveImageFile(sheet, out, 0) ? 0 : 1;
}

int TiledPreviews(const std::string& inDir, const std::string& outDir) {
  for (const Texture& t : AllTextures()) {
    TBitmap32 tex;
    if (!plumavo::LoadImageFile(tex, inDir + "/" + t.Name + ".jpg", 0)) return 1;
    TBitmap32 canvas(1280, 1280);
    for (int y = 0; y < 1280; y += tex.Height())
      for (int x = 0; x < 1280; x += tex.Width()) canvas.Draw(x, y, tex);
    if (!plumavo::SaveImageFile(canvas, outDir + "/" + t.Name + ".png", 0)) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--sheet") return ContactSheet(args[1], args[2]);
  if (args.size() == 3 && args[0] == "--tiled") return TiledPreviews(args[1], args[2]);
  if (args.size() < 1 || args[0].starts_with("--")) {
    std::fprintf(stderr,
                 "usage: plumavo-texturegen OUTDIR [NAME...]\n"
                 "       plumavo-texturegen --sheet INDIR OUT.png\n"
                 "       plumavo-texturegen --tiled INDIR OUTDIR\n");
    return 2;
  }
  int failures = 0;
  for (const Texture& t : AllTextures()) {
    if (args.size() > 1 && std::find(args.begin() + 1, args.end(), t.Name) == args.end()) continue;
    const std::string path = args[0] + "/" + t.Name + ".jpg";
    if (plumavo::SaveImageFile(ToBitmap(t.Make()), path, 85)) {
      std::printf("%s\n", path.c_str());
    } else {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures ? 1 : 0;
}
