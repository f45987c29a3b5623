// Running a command line as a user would, for tests of the programs.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace plumavo::test {

struct CommandRun {
  int Code = -1;    // the exit code; -1 when the command was ended by a signal
  std::string Out;  // standard output and standard error together
};

inline CommandRun RunCommand(const std::string& command) {
  CommandRun r;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return r;
  std::array<char, 512> buf{};
  while (std::fgets(buf.data(), int(buf.size()), p) != nullptr) r.Out += buf.data();
  const int status = ::pclose(p);
  r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace plumavo::test
