// A full disk for tests: runs a piece of a test in a child process whose
// folder is a tiny filesystem with no room left. The child mounts a tmpfs in
// a mount namespace of its own (as root, or inside a user namespace where the
// system allows that); where neither is allowed, a file size limit makes every
// larger write fail instead, which is how a full disk looks to a writer too.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace plumavo::test {

struct FullDiskRun {
  std::string Failure;  // empty when every check in the child held
  std::string How;      // "tmpfs" or "file size limit"
};

namespace full_disk_detail {

inline bool MountTinyFilesystem(const std::string& dir, const std::string& size = "256k") {
  if (::unshare(CLONE_NEWNS) != 0) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    auto put = [](const char* file, const std::string& text) {
      std::ofstream f(file);
      f << text;
      return bool(f);
    };
    put("/proc/self/setgroups", "deny");
    if (!put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n")) return false;
    if (!put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n")) return false;
  }
  if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  return ::mount("tmpfs", dir.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

// Fills the filesystem of dir to the last byte.
inline void FillUp(const std::string& dir) {
  const int fd = ::open((dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return;
  char block[4096];
  std::memset(block, 0x5A, sizeof block);
  for (size_t n = sizeof block; n > 0; n /= 2)
    while (::write(fd, block, n) == ssize_t(n)) {
    }
  ::fsync(fd);
  ::close(fd);
}

}  // namespace full_disk_detail

namespace full_disk_detail {

// Runs work() in a forked child; its reply is a first line (how the disk was
// made) and the rest (what went wrong, empty when nothing did).
inline FullDiskRun RunInChild(const std::function<std::string()>& work) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {"no pipe", ""};
  const pid_t pid = ::fork();
  if (pid < 0) return {"no fork", ""};
  if (pid == 0) {
    ::close(fds[0]);
    const std::string reply = work();
    (void)!::write(fds[1], reply.data(), reply.size());
    ::close(fds[1]);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string reply;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) reply.append(buf, size_t(n));
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {"the child did not finish (crashed?)", ""};
  const size_t nl = reply.find('\n');
  if (nl == std::string::npos) return {"no reply from the child", ""};
  return {reply.substr(nl + 1), reply.substr(0, nl)};
}

}  // namespace full_disk_detail

// Makes dir (created if needed), writes `before` into it while there is
// still room (names and contents), fills the disk, then runs `body` with the
// folder. body returns an empty string when what it saw was right, or what
// was wrong. Runs in a forked child: call it before the test starts threads.
inline FullDiskRun WithFullDisk(const std::string& dir, const std::function<void(const std::string& dir)>& before,
                                const std::function<std::string(const std::string& dir)>& body) {
  std::filesystem::create_directories(dir);
  return full_disk_detail::RunInChild([&] {
    std::string how = "tmpfs";
    const bool mounted = full_disk_detail::MountTinyFilesystem(dir);
    before(dir);
    if (mounted) {
      full_disk_detail::FillUp(dir);
    } else {
      how = "file size limit";
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit small{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &small);
    }
    return how + "\n" + body(dir);
  });
}

// Runs body with dir on a small empty filesystem of `size` (tmpfs notation,
// "1m"), in a forked child. Without the right to mount one, body is not run
// and How says "not mounted".
inline FullDiskRun WithSmallDisk(const std::string& dir, const std::string& size,
                                 const std::function<std::string(const std::string& dir)>& body) {
  std::filesystem::create_directories(dir);
  return full_disk_detail::RunInChild([&] {
    return full_disk_detail::MountTinyFilesystem(dir, size) ? "tmpfs\n" + body(dir) : std::string("not mounted\n");
  });
}

// Every regular file in dir with its contents, except the filler.
inline std::string FolderListing(const std::string& dir) {
  std::string out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (e.path().filename() == "filler") continue;
    out += e.path().filename().string() + " ";
  }
  return out;
}

inline std::string FileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace plumavo::test
