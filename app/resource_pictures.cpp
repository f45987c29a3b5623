#include "app/resource_pictures.h"

#include <cstdio>

#include <QImageReader>

// Outside the namespace, as the toolkit's macro requires.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace plumavo {

namespace {

QImage Read(const char* path) {
  QImageReader reader(QString::fromLatin1(path));
  QImage image = reader.read();
  if (image.isNull())
    std::fprintf(stderr, "plumavo: reading the built-in picture %s failed: %s\n", path,
                 qPrintable(reader.errorString()));
  return image;
}

ResourcePictures Decode() {
  RegisterBuiltInPictures();
  ResourcePictures pictures;
  pictures.ImageList = Read(":/icons/imagelist16.png");
  pictures.ColorPanel = Read(":/icons/colorpanel.png");
  pictures.TextureIcons = Read(":/icons/textures16.png");
  static constexpr std::array<const char*, 6> kCursorFiles{nullptr,
                                                           ":/icons/cursor_movev.png",
                                                           ":/icons/cursor_eyedrop.png",
                                                           ":/icons/cursor_move.png",
                                                           ":/icons/cursor_pencil.png",
                                                           ":/icons/cursor_hand.png"};
  for (size_t i = 1; i < kCursorFiles.size(); ++i) pictures.Cursors[i] = Read(kCursorFiles[i]);
  return pictures;
}

}  // namespace

void RegisterBuiltInPictures() { InitIconResources(); }

const ResourcePictures& DecodedResourcePictures() {
  // A function-local static is initialised exactly once, and a second thread
  // arriving meanwhile waits for the first.
  static const ResourcePictures pictures = Decode();
  return pictures;
}

}  // namespace plumavo
