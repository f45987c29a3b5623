// A whole project file from anywhere: the reader must refuse what it cannot
// use without reading or allocating out of bounds.
#include <cstddef>
#include <cstdint>

#include "model/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plumavo::Project p;
  (void)plumavo::ParseProject(data, size, p);
  return 0;
}
