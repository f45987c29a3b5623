#include "media/image_decoder.h"

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
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "media/image_file.h"
#include "surface/atomic_file.h"

extern char** environ;

namespace plumavo {

namespace {

constexpr std::array<char, 4> kMagic{'P', 'L', 'V', 'D'};
constexpr uint32_t kReplyPicture = 0, kReplyRefused = 1;
constexpr size_t kHeaderBytes = 16;

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
// status, or nullopt when the child cannot be waited for.
std::optional<int> Reap(pid_t pid, Clock::time_point deadline, bool& timedOut) {
  int status = 0;
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return status;
    if (r < 0 && errno != EINTR) return std::nullopt;
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

}  // namespace

bool DecodedSizeAcceptable(int64_t width, int64_t height) {
  return width >= kImageFileMinSide && width <= kImageFileMaxSide && height >= kImageFileMinSide &&
         height <= kImageFileMaxSide;
}

std::string DecoderPath() {
  if (const char* env = std::getenv("PLUMAVO_DECODER"); env != nullptr && *env != '\0') return env;
  const std::string folder = ExecutableFolder();
  // In a build folder it sits beside the programs; installed, in the
  // private program folder of the prefix.
  std::string beside = folder + "plumavo-decode";
  if (::access(beside.c_str(), X_OK) == 0) return beside;
  std::string installed = folder + "../libexec/plumavo/plumavo-decode";
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

// A running decoder: whatever happens to the parent while it reads, the
// pipe is closed and the child killed and waited for, never left behind.
struct TChild {
  pid_t Pid = -1;
  int Out = -1;
  TChild() = default;
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;
  TChild(TChild&& o) noexcept : Pid(std::exchange(o.Pid, -1)), Out(std::exchange(o.Out, -1)) {}
  ~TChild() {
    if (Out >= 0) ::close(Out);
    if (Pid > 0) {
      ::kill(Pid, SIGKILL);
      int status = 0;
      while (::waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
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
  // The child starts with every signal at its default and none blocked,
  // whatever this process does with them: a CPU limit or a crash must end it.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  TChild child;
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, decoder.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    return child;
  }
  child.Pid = pid;
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
  // Straight into the picture: the caller drops it unless the reply is whole.
  picture.SetSize(int32_t(width), int32_t(height));
  if (!ReadAll(fd, reinterpret_cast<uint8_t*>(picture.Bits()), size_t(width) * height * 4, deadline, timedOut))
    return TReply::Broken;
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
    ::close(std::exchange(child.Out, -1));
    // A decoder that lied is stopped at once; one that broke off is given
    // the rest of its time to say how it ended.
    if (reply == TReply::Lied) ::kill(child.Pid, SIGKILL);
    const std::optional<int> status =
        Reap(child.Pid, Clock::now() + (timedOut ? std::chrono::milliseconds(0) : wall), timedOut);
    child.Pid = -1;  // waited for
    if (i == files.size()) break;
    if (reply == TReply::Lied) {
      statuses[i] = TDecodeStatus::BadReply;
    } else if (timedOut) {
      statuses[i] = TDecodeStatus::TimedOut;
    } else if (status && WIFEXITED(*status)) {
      const int code = WEXITSTATUS(*status);
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

void LimitThisProcess(int32_t cpuSeconds, int64_t addressSpaceBytes) {
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  // The soft limit counts from the CPU time used so far, so that a process
  // can renew its allowance for the next piece of work.
  rusage used{};
  ::getrusage(RUSAGE_SELF, &used);
  rlimit cpu{};
  ::getrlimit(RLIMIT_CPU, &cpu);
  const rlim_t soft = rlim_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec + std::max(1, cpuSeconds));
  cpu.rlim_cur = cpu.rlim_max == RLIM_INFINITY ? soft : std::min(soft, cpu.rlim_max);
  ::setrlimit(RLIMIT_CPU, &cpu);
  // The address sanitizer reserves terabytes of shadow memory up front; its
  // builds do without the memory limit.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLUMAVO_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(PLUMAVO_ADDRESS_SANITIZER)
  (void)addressSpaceBytes;
#else
  const rlimit memory{rlim_t(addressSpaceBytes), rlim_t(addressSpaceBytes)};
  ::setrlimit(RLIMIT_AS, &memory);
#endif
}

int RunDecoderChild(const std::vector<std::string>& files, const TDecodeLimits& limits, int out) {
  for (const std::string& fileName : files) {
    LimitThisProcess(limits.CpuSeconds, limits.AddressSpaceBytes);
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
