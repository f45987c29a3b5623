#include "app/image_filters.h"

#include <QStringList>

#include "media/image_file.h"

namespace plumavo {

const std::array<FileFilter, 12>& OpenPictureFilters() {
  static const std::array<FileFilter, 12> filters{{
      {"All Image Files",
       "*.BMP;*.JPG;*.JIF;*.JPEG;*.JPE;*.GIF;*.PNG;*.TIF;*.TIFF;*.TGA;*.TARGA;*.PPM;*.PSD;*.IFF;*.LBM;*.RAS;*.PCX"},
      {"Windows or OS/2 Bitmap (*.BMP)", "*.BMP"},
      {"JPEG - JFIF Compliant (*.JPG;*.JIF;*.JPEG;*.JPE)", "*.JPG;*.JIF;*.JPEG;*.JPE"},
      {"GIF Image (*.GIF)", "*.GIF"},
      {"Portable Network Graphics (*.PNG)", "*.PNG"},
      {"Tagged Image File Format (*.TIF;*.TIFF)", "*.TIF;*.TIFF"},
      {"Truevision Targa (*.TGA;*.TARGA)", "*.TGA;*.TARGA"},
      {"Portable Pixelmap (*.PPM)", "*.PPM"},
      {"Layered PSD Image (*.PSD)", "*.PSD"},
      {"IFF Interleaved Bitmap (*.IFF;*.LBM)", "*.IFF;*.LBM"},
      {"Sun Raster Image (*.RAS)", "*.RAS"},
      {"Zsoft Paintbrush (*.PCX)", "*.PCX"},
  }};
  return filters;
}

const std::array<ExportFilter, 7>& SavePictureFilters() {
  static const std::array<ExportFilter, 7> filters{{
      {"Windows Bitmap (*.BMP)", "*.BMP", "bmp"},
      {"JPEG Image (*.JPG)", "*.JPG", "jpg"},
      {"GIF Image (*.GIF)", "*.GIF", "gif"},
      {"Portable Network Graphics (*.PNG)", "*.PNG", "png"},
      {"Tagged Image File (*.TIF)", "*.TIF", "tif"},
      {"Truevision Targa (*.TGA)", "*.TGA", "tga"},
      {"Portable Pixelmap (*.PPM)", "*.PPM", "ppm"},
  }};
  return filters;
}

QString DialogFilterText(const FileFilter* filters, size_t count) {
  QStringList entries;
  for (size_t i = 0; i < count; ++i) {
    QString caption = filters[i].Caption;
    const QString patterns = QString(filters[i].Patterns).replace(';', ' ');
    // The dialog takes the patterns from the caption's closing parentheses
    // and splits them at blanks.
    const qsizetype open = caption.lastIndexOf('(');
    if (caption.endsWith(')') && open >= 0)
      caption = caption.left(open) + "(" + patterns + ")";
    else
      caption += " (" + patterns + ")";
    entries << caption;
  }
  return entries.join(";;");
}

QString OpenPictureFilterText() {
  const auto& f = OpenPictureFilters();
  return DialogFilterText(f.data(), f.size());
}

QString SavePictureFilterText() {
  std::array<FileFilter, 7> plain{};
  const auto& f = SavePictureFilters();
  for (size_t i = 0; i < f.size(); ++i) plain[i] = {f[i].Caption, f[i].Pattern};
  return DialogFilterText(plain.data(), plain.size());
}

ExportChoice ExportChoiceFor(int filterIndex, const QString& currentDefaultExt, int32_t jpegQuality) {
  const auto& f = SavePictureFilters();
  if (filterIndex < 1 || filterIndex > int(f.size())) return {currentDefaultExt, 0, false};
  ExportChoice c{f[size_t(filterIndex - 1)].DefaultExt, 0, false};
  if (filterIndex == 2) {
    c.Flags = jpegQuality;
    c.AsksQuality = true;
  } else if (filterIndex == 3) {
    c.Flags = kSaveQuantize;
  }
  return c;
}

int ExportFilterOfExtension(const QString& extension) {
  const QString ext = extension.toLower();
  if (ext == "jpeg") return 2;
  if (ext == "tiff") return 5;
  const auto& f = SavePictureFilters();
  for (size_t i = 0; i < f.size(); ++i)
    if (ext == f[i].DefaultExt) return int(i) + 1;
  return 0;
}

ExportTarget ExportTargetFor(const QString& chosenPath, int filterIndex) {
  const int slash = int(chosenPath.lastIndexOf('/'));
  const int dot = int(chosenPath.lastIndexOf('.'));
  // A dot in a folder name or at the start of the name ("/a.b/pic", ".png")
  // is no extension.
  const QString extension = dot > slash + 1 ? chosenPath.mid(dot + 1) : QString();
  if (const int typed = ExportFilterOfExtension(extension); typed > 0) return {chosenPath, typed};
  const auto& f = SavePictureFilters();
  if (filterIndex < 1 || filterIndex > int(f.size())) return {chosenPath, 0};
  QString path = chosenPath;
  if (!path.endsWith('.')) path += '.';
  return {path + f[size_t(filterIndex - 1)].DefaultExt, filterIndex};
}

}  // namespace plumavo
