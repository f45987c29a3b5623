#include "canvas/imagefile/image_decoder.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "canvas/imagefile/image_file.h"
#include "render/surface/atomic_file.h"

extern char** environ;

namespace plumavo {

namespace {

constexpr std::array<char, 4> kMagic{'P', 'L', 'V', 'D'};
constexpr uint32_t kReplyPicture = 0, kReplyRefused = 1;
constexpr size_t kHeaderBytes = 16;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

void PutU32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint32_t GetU32(const uint8_t* p) {
  uint32_t v = 0;
  std::memcpy(&v, p, 4);
  return v;
}

using Clock = std::chrono::steady_clock;

// Reads n bytes before the deadline; false on end of file, error or time-out
// (timedOut tells which).
bool ReadAll(int fd, uint8_t* out, size_t n, Clock::time_point deadline, bool& timedOut) {
  while (n > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      timedOut = true;
      return false;
    }
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, int(std::min<long long>(left, 1000)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return false;
    if (ready == 0) continue;
    const ssize_t r = ::read(fd, out, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    out += r;
    n -= size_t(r);
  }
  return true;
}

// Waits for the child until the deadline, then kills it. Returns the wait
// status.
int Reap(pid_t pid, Clock::time_point deadline, bool& timedOut) {
  int status = 0;
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return status;
    if (r < 0 && errno != EINTR) return 0;
    if (Clock::now() >= deadline) {
      timedOut = true;
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string FolderOfRunningProgram() {
  std::array<char, 4096> buf{};
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return ".";
  std::string path(buf.data(), size_t(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

bool DecodedSizeAcceptable(int64_t width, int64_t height) {
  return width >= kImageFileMinSide && width <= kImageFileMaxSide && height >= kImageFileMinSide &&
         height <= kImageFileMaxSide;
}

std::string DecoderPath() {
  if (const char* env = std::getenv("PLUMAVO_DECODER"); env != nullptr && *env != '\0') return env;
  const std::string folder = FolderOfRunningProgram();
  // In a build folder it sits beside the programs; installed, in the
  // private program folder of the prefix.
  const std::string beside = folder + "/plumavo-decode";
  if (::access(beside.c_str(), X_OK) == 0) return beside;
  const std::string installed = folder + "/../libexec/plumavo/plumavo-decode";
  if (::access(installed.c_str(), X_OK) == 0) return installed;
  return beside;
}

const char* DecodeStatusText(TDecodeStatus status) {
  switch (status) {
    case TDecodeStatus::Ok: return "decoded";
    case TDecodeStatus::Refused: return "the file is not a picture that can be read";
    case TDecodeStatus::Crashed: return "the image decoder crashed on the file";
    case TDecodeStatus::TimedOut: return "the image decoder took too long and was stopped";
    case TDecodeStatus::NoDecoder: return "the image decoder (plumavo-decode) could not be started";
    case TDecodeStatus::BadReply: return "the image decoder gave no usable answer";
  }
  return "unknown";
}

namespace {

struct TChild {
  pid_t Pid = -1;
  int Out = -1;
};

TChild StartDecoder(const std::vector<std::string>& files, size_t first, const TDecodeLimits& limits) {
  const std::string decoder = DecoderPath();
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  // The CPU limit is for the whole child; the wall clock, per file, is the
  // parent's.
  const int64_t cpuSeconds =
      std::min<int64_t>(int64_t(std::max(1, limits.CpuSeconds)) * int64_t(files.size() - first), 120);
  const std::string cpu = std::to_string(cpuSeconds);
  const std::string memory = std::to_string(std::max<int64_t>(limits.AddressSpaceBytes, 64 << 20));
  std::vector<char*> argv{const_cast<char*>(decoder.c_str()), const_cast<char*>("--cpu-seconds"),
                          const_cast<char*>(cpu.c_str()),     const_cast<char*>("--address-space"),
                          const_cast<char*>(memory.c_str()),  const_cast<char*>("--")};
  for (size_t i = first; i < files.size(); ++i) argv.push_back(const_cast<char*>(files[i].c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  TChild child;
  const int spawned = ::posix_spawn(&child.Pid, decoder.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    return {};
  }
  child.Out = fds[0];
  return child;
}

enum class TReply { Picture, Refused, Broken, Lied };

// One reply: a picture (its size checked here again, so a decoder that lost
// its mind cannot make this process allocate for it), a refusal, nothing
// usable before the stream ended or the deadline passed (Broken), or a reply
// that makes no sense (Lied).
TReply ReadReply(int fd, Clock::time_point deadline, TBitmap32& picture, bool& timedOut) {
  std::array<uint8_t, kHeaderBytes> header{};
  if (!ReadAll(fd, header.data(), header.size(), deadline, timedOut)) return TReply::Broken;
  if (std::memcmp(header.data(), kMagic.data(), 4) != 0) return TReply::Lied;
  const uint32_t reply = GetU32(header.data() + 4);
  if (reply == kReplyRefused) return TReply::Refused;
  const uint32_t width = GetU32(header.data() + 8), height = GetU32(header.data() + 12);
  if (reply != kReplyPicture || !DecodedSizeAcceptable(width, height)) return TReply::Lied;
  std::vector<uint8_t> pixels(size_t(width) * height * 4);
  if (!ReadAll(fd, pixels.data(), pixels.size(), deadline, timedOut)) return TReply::Broken;
  picture.SetSize(int32_t(width), int32_t(height));
  std::memcpy(picture.Bits(), pixels.data(), pixels.size());
  picture.Changed();
  return TReply::Picture;
}

}  // namespace

std::vector<TDecodeStatus> DecodeImageFilesIsolated(const std::vector<std::string>& files,
                                                    std::vector<TBitmap32>& targets, const TDecodeLimits& limits) {
  std::vector<TDecodeStatus> statuses(files.size(), TDecodeStatus::NoDecoder);
  targets.resize(files.size());
  const auto wall = std::chrono::milliseconds(std::max(1, limits.WallClockMs));
  size_t next = 0;
  while (next < files.size()) {
    TChild child = StartDecoder(files, next, limits);
    if (child.Pid < 0) break;  // the rest stay NoDecoder
    size_t i = next;
    bool timedOut = false;
    TReply reply = TReply::Picture;
    for (; i < files.size(); ++i) {
      TBitmap32 picture;
      reply = ReadReply(child.Out, Clock::now() + wall, picture, timedOut);
      if (reply == TReply::Picture) {
        statuses[i] = TDecodeStatus::Ok;
        targets[i] = std::move(picture);
      } else if (reply == TReply::Refused) {
        statuses[i] = TDecodeStatus::Refused;
      } else {
        break;
      }
    }
    ::close(child.Out);
    // A decoder that lied is stopped at once; one that broke off is given
    // the rest of its time to say how it ended.
    if (reply == TReply::Lied) ::kill(child.Pid, SIGKILL);
    const int status = Reap(child.Pid, Clock::now() + (timedOut ? std::chrono::milliseconds(0) : wall), timedOut);
    if (i == files.size()) break;
    if (reply == TReply::Lied) {
      statuses[i] = TDecodeStatus::BadReply;
    } else if (timedOut) {
      statuses[i] = TDecodeStatus::TimedOut;
    } else if (WIFEXITED(status)) {
      const int code = WEXITSTATUS(status);
      statuses[i] = code == 127 ? TDecodeStatus::NoDecoder
                    : code == 0 ? TDecodeStatus::BadReply
                                : TDecodeStatus::Crashed;
    } else {
      statuses[i] = TDecodeStatus::Crashed;
    }
    next = i + 1;  // the files after the one that broke the decoder get a new one
  }
  return statuses;
}

TDecodeStatus DecodeImageFileIsolated(TBitmap32& target, const std::string& fileName, const TDecodeLimits& limits) {
  std::vector<TBitmap32> pictures;
  const TDecodeStatus status = DecodeImageFilesIsolated({fileName}, pictures, limits)[0];
  if (status == TDecodeStatus::Ok) {
    // The caller's bitmap keeps its drawing properties; only the pixels change.
    target.SetSize(pictures[0].Width(), pictures[0].Height());
    std::copy(pictures[0].Bits(), pictures[0].Bits() + size_t(pictures[0].Width()) * pictures[0].Height(),
              target.Bits());
    target.Changed();
  }
  return status;
}

int RunDecoderChild(const std::vector<std::string>& files, const TDecodeLimits& limits, int out) {
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  const rlim_t cpu = rlim_t(std::max(1, limits.CpuSeconds));
  const rlimit cpuLimit{cpu, cpu + 1};
  ::setrlimit(RLIMIT_CPU, &cpuLimit);
  // The address sanitizer reserves terabytes of shadow memory up front; its
  // builds do without the memory limit.
  if (!kSanitized) {
    const rlimit memory{rlim_t(limits.AddressSpaceBytes), rlim_t(limits.AddressSpaceBytes)};
    ::setrlimit(RLIMIT_AS, &memory);
  }

  for (const std::string& fileName : files) {
    std::array<uint8_t, kHeaderBytes> header{};
    std::memcpy(header.data(), kMagic.data(), 4);
    TBitmap32 picture;
    if (!LoadImageFile(picture, fileName, 0) || !DecodedSizeAcceptable(picture.Width(), picture.Height())) {
      PutU32(header.data() + 4, kReplyRefused);
      if (!WriteAllBytes(out, header.data(), header.size())) return 2;
      continue;
    }
    PutU32(header.data() + 4, kReplyPicture);
    PutU32(header.data() + 8, uint32_t(picture.Width()));
    PutU32(header.data() + 12, uint32_t(picture.Height()));
    const size_t bytes = size_t(picture.Width()) * size_t(picture.Height()) * 4;
    if (!WriteAllBytes(out, header.data(), header.size()) || !WriteAllBytes(out, picture.Bits(), bytes)) return 2;
  }
  return 0;
}

}  // namespace plumavo
