// Reading and writing ".plv" project files.
#pragma once

#include <cstdint>
#include <string>

#include "model/project.h"

namespace plumavo {

inline constexpr uint16_t kAffineMagic = 0xA3C3;
inline constexpr uint16_t kProjectiveMagic = 0xA4D4;

// Results of SaveProject and LoadProject.
inline constexpr uint8_t kFileOk = 1;
inline constexpr uint8_t kFileCannotOpen =
    0;  // LoadProject: "Cannot open the project."; SaveProject: "Cannot save the project."
inline constexpr uint8_t kFileNotProject = 255;   // "Unexpected file format."
inline constexpr uint8_t kFileBadContents = 254;  // "Unexpected file format."

// Writes the document to a temporary file beside fileName and renames it over
// fileName, so a failure never destroys the previous file. 1 or 0.
[[nodiscard]] uint8_t SaveProject(const Project& p, const std::string& fileName);

// Reads and checks the whole file before touching p: on any result other than 1
// the project is exactly as it was. On 1 the document fields of p are replaced;
// the caller then runs ResetProject(Width, Height, false, Mode).
[[nodiscard]] uint8_t LoadProject(Project& p, const std::string& fileName);

// The same two on bytes in memory, for tools and tests.
[[nodiscard]] bool SerializeProject(const Project& p, std::string& out);
[[nodiscard]] uint8_t ParseProject(const uint8_t* data, size_t size, Project& out);

}  // namespace plumavo
