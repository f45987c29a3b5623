// Shared libraries the program loads the first time it needs them rather
// than when it starts: each one pulls in dozens more, and the window should
// not wait for what only a movie or an image file needs.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace plumavo {

// Opens `files` (each stays open for the life of the program) and finds each
// of `names` in whichever of them has it. The functions in the order of
// `names`; an empty vector, with the reason in `why`, when a file cannot be
// opened or a function is missing. `what` names the library in the reason.
std::vector<void*> LoadLibraryFunctions(const std::string& what, std::span<const char* const> files,
                                        std::span<const char* const> names, std::string& why);

// A table of a library's functions, loaded on the first call for its type
// (from any thread, once): fill(table, functions) gets the functions in the
// order of `names`. nullptr, with the reason in *why and in the log, when the
// library cannot be loaded; later calls answer the same without trying again.
template <class Table, class Fill>
const Table* LoadFunctionTable(const std::string& what, std::span<const char* const> files,
                               std::span<const char* const> names, const Fill& fill, std::string* why) {
  struct Loaded {
    Table table;
    std::string error;  // empty when every function was found
  };
  static const Loaded loaded = [&] {
    Loaded r;
    const std::vector<void*> found = LoadLibraryFunctions(what, files, names, r.error);
    if (!found.empty()) fill(r.table, found);
    if (!r.error.empty()) std::fprintf(stderr, "plumavo: %s\n", r.error.c_str());
    return r;
  }();
  if (why != nullptr) *why = loaded.error;
  return loaded.error.empty() ? &loaded.table : nullptr;
}

}  // namespace plumavo
