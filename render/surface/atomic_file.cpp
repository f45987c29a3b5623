#include "render/surface/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace plumavo {

bool WriteAllBytes(int fd, const void* data, size_t n) {
  const auto* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= size_t(w);
  }
  return true;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

TWriteResult WriteFileAtomically(const std::string& fileName, const void* data, size_t size) {
  std::string temp = FolderOfPath(fileName) + "/.plumavo-save-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return TWriteResult::CannotCreate;
  struct stat old {};
  if (::stat(fileName.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  const bool written = WriteAllBytes(fd, data, size) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    ::unlink(temp.c_str());
    return TWriteResult::CannotWrite;
  }
  if (::rename(temp.c_str(), fileName.c_str()) != 0) {
    ::unlink(temp.c_str());
    return TWriteResult::CannotReplace;
  }
  // The new name itself is made durable with the folder.
  const int dir = ::open(FolderOfPath(fileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return TWriteResult::Written;
}

}  // namespace plumavo
