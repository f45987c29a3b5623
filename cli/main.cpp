// plumavo-render: the program's headless front end.
#include <cstdio>
#include <cstring>
#include <string>

#include "model/project_file.h"

namespace {

constexpr const char* kUsage = "usage: plumavo-render INPUT.plv [OUTPUT.plv]\n";

const char* ModeName(plumavo::ShapeMode m) { return m == plumavo::ShapeMode::Affine ? "Affine" : "Projective"; }

}  // namespace

int main(int argc, char** argv) {
  using namespace plumavo;
  if (argc < 2 || argc > 3 || std::strncmp(argv[1], "-", 1) == 0) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  Project project;
  const uint8_t loaded = LoadProject(project, argv[1]);
  if (loaded != kFileOk) {
    std::fprintf(stderr, "%s\n", loaded == kFileCannotOpen ? "Cannot open the project." : "Unexpected file format.");
    return 2;
  }
  ResetProject(project, project.Width, project.Height, false, project.Mode);
  if (argc == 3) {
    if (SaveProject(project, argv[2]) != kFileOk) {
      std::fputs("Cannot save the project.\n", stderr);
      return 3;
    }
    return 0;
  }
  std::printf("%s %dx%d vertices=%d shapes=%d selected=%d\n", ModeName(project.Mode), project.Width, project.Height,
              project.VertexCount, project.ShapeCount(), project.Selected());
  return 0;
}
