// Shared set-up for the editor tests: one project, the editor bound to it, and
// small drivers for the mouse and the keyboard.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "editing/shape_editor.h"
#include "model/project.h"

namespace plumavo::testing_editor {

inline const ShapeSettings kPanel{0x00C08040, true, 4, 17, 3, 180};

inline ShiftState Held(MouseButton b) {
  ShiftState s;
  s.Left = b == MouseButton::Left;
  s.Right = b == MouseButton::Right;
  s.Middle = b == MouseButton::Middle;
  return s;
}

inline ShiftState LeftHeld() { return Held(MouseButton::Left); }

class EditorFixture {
 public:
  Project p;
  ShapeEditor ed{p};

  EditorFixture() { Reset(ShapeMode::Affine); }

  void Reset(ShapeMode mode, double scale = 1.0) {
    ResetProject(p, 480, 360, true, mode);
    ed.OnProjectReset();
    ed.SetScale(scale);
  }

  // Shapes placed straight through the model, for set-ups where the mouse
  // would hit existing shapes.
  void AddShape(std::initializer_list<Vertex> corners) {
    for (const Vertex& v : corners) AppendVertex(p, v.X, v.Y, kPanel);
  }
  // A Main-Shape and Sub-Shapes that lie apart from each other, each a small
  // right triangle (or square) with its first corner at (x, y).
  void AddShapesApart(int count) {
    for (int k = 0; k < count; ++k) {
      const int32_t x = 20 + 60 * k, y = 20;
      if (p.Mode == ShapeMode::Affine)
        AddShape({{x, y}, {x + 40, y}, {x, y + 40}});
      else
        AddShape({{x, y}, {x + 40, y}, {x + 40, y + 40}, {x, y + 40}});
    }
  }

  EditResult Move(int32_t x, int32_t y) { return ed.MouseMove({}, x, y); }
  // Hover, press and release at one view position: a plain click.
  EditResult Click(int32_t x, int32_t y, MouseButton b = MouseButton::Left) {
    Move(x, y);
    EditResult r = ed.MouseDown(b, Held(b), x, y, kPanel);
    r |= ed.MouseUp(b, {}, x, y);
    return r;
  }
  // Press at (x, y) after hovering there, move by the given view steps with
  // the left button held, release; returns the merged results of the moves.
  EditResult Drag(int32_t x, int32_t y, std::initializer_list<Vertex> steps) {
    Move(x, y);
    ed.MouseDown(MouseButton::Left, LeftHeld(), x, y, kPanel);
    EditResult moves;
    for (const Vertex& s : steps) {
      x += s.X;
      y += s.Y;
      moves |= ed.MouseMove(LeftHeld(), x, y);
    }
    ed.MouseUp(MouseButton::Left, {}, x, y);
    return moves;
  }

  Vertex V(int32_t i) const { return p.Vertices[size_t(i)]; }
  // Every vertex equals its corner copy in the shape record.
  bool CornersMatchVertices() const {
    for (int32_t i = 0; i < p.VertexCount; ++i)
      if (!(p.Corner(i / p.N(), i % p.N()) == p.Vertices[size_t(i)])) return false;
    return true;
  }
};

}  // namespace plumavo::testing_editor
