// The canvas the drawing is made on: the style list, the built-in grid tile,
// the texture files, the gradient picture and ComposeCanvas, which paints the
// canvas fill and the centred background image into the canvas layer.
// Everything here is free of widgets; the main window owns one TCanvasState
// and turns the results into list changes, icons and message boxes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "model/project.h"
#include "surface/atomic_file.h"  // ExecutableFolder
#include "surface/bitmap32.h"

namespace plumavo {

enum : uint16_t { csSolid = 0, csGradient = 1, csGrid = 2, csFirstTexture = 3 };

// Captions of the 24 items of the canvas style list; the index is CanvasStyle.
const std::array<const char*, 24>& CanvasStyleCaptions();

// The 100 x 100 opaque grid tile: border lines at 99, middle lines at 49 and
// dotted lines every 10 pixels.
const TBitmap32& GridTile();

// Where the read-only data (Textures/, tips/, help/) is, with a trailing
// slash: beside the executable in a build folder, or PREFIX/share/plumavo/
// for an installed bin/ program, so that an installed tree can be moved.
std::string DataFolder();

// Reads an image file into a bitmap (load flags 0); false when it cannot.
using TImageLoader = std::function<bool(const std::string& path, TBitmap32& out)>;

struct TTextureLoadResult {
  enum Kind : uint8_t { Loaded, Missing, Unreadable };
  Kind Status = Loaded;
  std::string Path;
  // The text of the error box; empty on success and when messages were not
  // asked for.
  std::string Message;
  bool Ok() const { return Status == Loaded; }
};

// The five gradient fields of a project as the gradient editor shows them.
struct TGradientSettings {
  TColor ColorBegin = 0x800000;
  TColor ColorEnd = 0xFFFF00;
  uint8_t Style = 10;  // editor list index; the painter gets Style + 1
  int8_t Rotation = 0;
  int8_t Shift = 0;
  friend bool operator==(const TGradientSettings&, const TGradientSettings&) = default;
};
TGradientSettings GradientSettingsOf(const Project& p);

// Paints the gradient pattern of the project's gradient fields into out (at
// the painter's own pattern size, opaque).
void PaintGradientBitmap(const Project& p, TBitmap32& out);

// The 16 x 16 icons of list entries 0 and 1.
TBitmap32 MakeSolidSwatch(TColor color);
TBitmap32 MakeGradientSwatch(const TBitmap32& gradientBitmap);

// What the style list handler learnt from the user before the model changes:
// the colour dialog's answer for Solid, the gradient editor's for Gradient
// (nullopt: cancelled).
struct TStyleChoice {
  std::optional<TColor> Color;
  std::optional<TGradientSettings> Gradient;
};

struct TStyleChangeResult {
  // False: nothing changed; the list goes back to ListIndex (the stored style)
  // and nothing is rendered. True: the project changed and the canvas is
  // composed; the caller refreshes the interface state and renders.
  bool Applied = false;
  uint16_t ListIndex = 0;
  bool SolidSwatchChanged = false;
  bool GradientSwatchChanged = false;
  // Set for texture styles; a failure carries the message to show.
  std::optional<TTextureLoadResult> Texture;
};

class TCanvasState {
 public:
  TCanvasState();

  TBitmap32 TextureBitmap;   // tile of Grid and textures, empty otherwise
  TBitmap32 GradientBitmap;  // the gradient pattern, kept whatever the style
  TBitmap32 CanvasPicture;   // the canvas as composed, copied into every render

  // Where texture files are looked up, with a trailing slash. Defaults to the
  // Textures folder beside the executable.
  std::string TextureFolder;
  // Reads texture files; defaults to the program's image file loader.
  TImageLoader LoadImage;

  std::string TexturePath(uint16_t style) const;

  // Loads the texture of list item `style` into TextureBitmap. A missing or
  // unreadable file (or an item without a texture) turns the project's canvas
  // style into Solid and empties TextureBitmap; the message is filled in only
  // when showMessages is set.
  [[nodiscard]] TTextureLoadResult LoadTexture(Project& p, uint16_t style, bool showMessages);

  // The canvas part of a project reset (new project or one just opened):
  // repaints GradientBitmap and sets TextureBitmap for the stored style. The
  // Grid style uses the built-in tile. A texture that cannot be loaded turns
  // the canvas Solid; the result then carries the message for the caller to
  // show (Status Ok otherwise). The caller composes the canvas afterwards.
  [[nodiscard]] TTextureLoadResult PrepareForProject(Project& p);

  // Paints the canvas into the layer (sized to the project) and keeps the
  // result in CanvasPicture. When view is given it is sized alike and cleared
  // to BackColor. False (nothing painted) for a project size out of range.
  bool ComposeCanvas(const Project& p, TBitmap32& layer, TBitmap32* view = nullptr);

  // The canvas style list's change handler without its prompts: newIndex is
  // the item the user picked, choice carries the dialogs' answers.
  TStyleChangeResult ChangeCanvasStyle(Project& p, uint16_t newIndex, const TStyleChoice& choice, TBitmap32& layer,
                                       TBitmap32* view = nullptr);
};

}  // namespace plumavo
