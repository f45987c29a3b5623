// Replacing a file without ever losing the old one: the new contents go to a
// temporary file beside the target, are flushed to the disk, and only then
// take the target's name. On any failure (a full disk, a missing folder, no
// permission) the old file is untouched and the temporary file is gone.
#pragma once

#include <cstddef>
#include <string>

namespace plumavo {

enum class TWriteResult : unsigned char {
  Written,
  CannotCreate,   // no temporary file could be made in the target's folder
  CannotWrite,    // writing or flushing failed (the disk is full, an I/O error)
  CannotReplace,  // the finished file could not take the target's name
};

// Writes size bytes of data as fileName. A file that is replaced keeps its
// permissions; a new one gets the usual ones for the user's umask.
[[nodiscard]] TWriteResult WriteFileAtomically(const std::string& fileName, const void* data, size_t size);

// Writes all n bytes to the file descriptor, going on after interrupted and
// partial writes; false on any error.
[[nodiscard]] bool WriteAllBytes(int fd, const void* data, size_t n);

// The folder of the running executable (resolved through /proc/self/exe),
// with a trailing slash; empty when it cannot be determined.
std::string ExecutableFolder();

// The folder part of a path ("." for a bare name).
std::string FolderOfPath(const std::string& path);

}  // namespace plumavo
