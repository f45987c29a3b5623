#include "media/library_loader.h"

#include <dlfcn.h>

namespace plumavo {

std::vector<void*> LoadLibraryFunctions(const std::string& what, std::span<const char* const> files,
                                        std::span<const char* const> names, std::string& why) {
  std::vector<void*> handles;
  for (const char* file : files) {
    void* h = ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
      const char* error = ::dlerror();
      why = what + " could not be loaded: " + (error != nullptr ? error : file);
      return {};
    }
    handles.push_back(h);
  }
  std::vector<void*> functions;
  for (const char* name : names) {
    void* f = nullptr;
    for (void* h : handles)
      if ((f = ::dlsym(h, name)) != nullptr) break;
    if (f == nullptr) {
      why = what + " has no function " + name;
      return {};
    }
    functions.push_back(f);
  }
  return functions;
}

}  // namespace plumavo
