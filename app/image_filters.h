// The file filters of the picture dialogs: the image formats a background
// can be imported from, and the seven export formats with the extension and
// writer flags each one stands for.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

namespace plumavo {

struct FileFilter {
  const char* Caption;
  const char* Patterns;  // separated by ';'
};

struct ExportFilter {
  const char* Caption;
  const char* Pattern;
  const char* DefaultExt;
};

const std::array<FileFilter, 12>& OpenPictureFilters();
const std::array<ExportFilter, 7>& SavePictureFilters();

// The filter text for the file dialog: entries joined by ";;", each caption
// followed by its patterns in the parentheses the dialog reads them from.
QString DialogFilterText(const FileFilter* filters, size_t count);
QString OpenPictureFilterText();
QString SavePictureFilterText();

// What a chosen export filter (1-based index) means: the default extension
// of the next export and the flags for the writer. Index 2 (JPEG) passes the
// quality; any index outside the list keeps the extension and passes 0.
struct ExportChoice {
  QString DefaultExt;
  int32_t Flags = 0;
  bool AsksQuality = false;
};
ExportChoice ExportChoiceFor(int filterIndex, const QString& currentDefaultExt, int32_t jpegQuality);

// Where an export goes and in which format. An extension the user typed that
// names one of the export formats decides the format ("x.png" under the BMP
// filter is a PNG); any other name gets the chosen filter's extension added
// ("first" under the PNG filter becomes first.png). FilterIndex is then the
// 1-based filter of the format written, 0 when neither names a format.
struct ExportTarget {
  QString Path;
  int FilterIndex = 0;
};
ExportTarget ExportTargetFor(const QString& chosenPath, int filterIndex);

// The 1-based export filter whose format an extension names ("jpeg" and
// "tiff" included, any case); 0 for none.
int ExportFilterOfExtension(const QString& extension);

}  // namespace plumavo
