// Shared libraries the program loads the first time it needs them rather
// than when it starts: each one pulls in dozens more, and the window should
// not wait for what only a movie or an image file needs.
#pragma once

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

}  // namespace plumavo
