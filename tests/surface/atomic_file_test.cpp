// Replacing files: what survives the replacement (permissions, links) and
// what a failure leaves (nothing new).
#include "surface/atomic_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace plumavo {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A parameterised test's name holds a slash, which would make a folder
    // inside a folder that TearDown then leaves behind.
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() / ("plumavo-atomic-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  static mode_t Mode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
  }
  size_t Entries() const { return size_t(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }
  fs::path dir_;
};

TEST_F(AtomicFileTest, ReplacedFileKeepsItsPermissionsAndNewOnesFollowTheUmask) {
  std::ofstream(Path("old.txt")) << "old";
  ::chmod(Path("old.txt").c_str(), 0640);
  const mode_t saved = ::umask(027);
  EXPECT_EQ(WriteFileAtomically(Path("old.txt"), "new", 3), TWriteResult::Written);
  EXPECT_EQ(WriteFileAtomically(Path("fresh.txt"), "fresh", 5), TWriteResult::Written);
  ::umask(saved);
  EXPECT_EQ(Read(Path("old.txt")), "new");
  EXPECT_EQ(Mode(Path("old.txt")), mode_t(0640));
  EXPECT_EQ(Mode(Path("fresh.txt")), mode_t(0640)) << "0666 less the umask 027";
  EXPECT_EQ(Entries(), 2u) << "a temporary file was left";
}

TEST_F(AtomicFileTest, WritingThroughALinkReplacesItsTargetAndKeepsTheLink) {
  std::ofstream(Path("real.plv")) << "old";
  fs::create_symlink(Path("real.plv"), Path("link.plv"));
  EXPECT_EQ(WriteFileAtomically(Path("link.plv"), "new", 3), TWriteResult::Written);
  EXPECT_TRUE(fs::is_symlink(Path("link.plv")));
  EXPECT_EQ(Read(Path("real.plv")), "new");
}

TEST_F(AtomicFileTest, MissingFolderIsReportedAndLeavesNothing) {
  EXPECT_EQ(WriteFileAtomically(Path("no/such/folder/file.txt"), "x", 1), TWriteResult::CannotCreate);
  EXPECT_EQ(Entries(), 0u);
}

TEST_F(AtomicFileTest, AFolderInTheWayIsReportedAndTheTemporaryFileRemoved) {
  fs::create_directories(Path("taken/inside"));
  EXPECT_EQ(WriteFileAtomically(Path("taken"), "x", 1), TWriteResult::CannotReplace);
  EXPECT_EQ(Entries(), 1u);
  EXPECT_TRUE(fs::is_directory(Path("taken/inside")));
}

}  // namespace
}  // namespace plumavo
