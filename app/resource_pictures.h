// The pictures compiled into the program that the main window shows from its
// first paint: the image list of icons, the colour palette, the cursors and
// the texture list's icons. They are decoded once by whichever thread asks
// first, so the start-up thread can decode them while the main thread paints
// the splash screen.
#pragma once

#include <array>

#include <QImage>

namespace plumavo {

struct ResourcePictures {
  // 16 x 16 icons side by side.
  QImage ImageList;
  // The side panel's colour palette.
  QImage ColorPanel;
  // The canvas textures shrunk to 16 x 16, side by side in the list's order.
  QImage TextureIcons;
  // Indexed by the window's cursor number; entry 0 and a cursor that could
  // not be read stay null (the default cursor stands in).
  std::array<QImage, 6> Cursors;
};

// Decodes the pictures on the first call, from any thread, and returns them;
// a call while another thread decodes waits for it. Pictures cannot be read
// before the application object exists (the image plugins are looked up
// through it), so the start-up thread asks only after main has built it.
const ResourcePictures& DecodedResourcePictures();

// Makes the pictures (":/icons/...") readable. They are compiled into the
// static app library, which nothing else refers to, so they are registered by
// hand; DecodedResourcePictures does this itself. Any thread, any number of
// times.
void RegisterBuiltInPictures();

}  // namespace plumavo
