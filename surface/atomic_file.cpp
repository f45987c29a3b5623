#include "surface/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

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

std::string ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return {};
  std::string folder = exe.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

// A new file beside `target` that nobody else has: created with O_EXCL, with
// the user's umask applied by the kernel rather than read and restored here,
// which other threads could see in between.
int CreateTemporaryBeside(const std::string& target, std::string& name) {
  static std::atomic<uint32_t> counter{0};
  const std::string folder = FolderOfPath(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder + "/.plumavo-save-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(std::random_device{}() & 0xFFFFFu);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

TWriteResult WriteFileAtomically(const std::string& fileName, const void* data, size_t size) {
  // Saving through a symbolic link replaces the file it points to and keeps
  // the link.
  std::string target = fileName;
  struct stat link {};
  if (::lstat(fileName.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(fileName, ec);
    if (!ec) target = real.string();
  }
  std::string temp;
  const int fd = CreateTemporaryBeside(target, temp);
  if (fd < 0) return TWriteResult::CannotCreate;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  const bool written = WriteAllBytes(fd, data, size) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    ::unlink(temp.c_str());
    return TWriteResult::CannotWrite;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return TWriteResult::CannotReplace;
  }
  // The new name itself is made durable with the folder.
  const int dir = ::open(FolderOfPath(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return TWriteResult::Written;
}

}  // namespace plumavo
