// Export onto a full disk, in every format: the writer says it failed, the
// old file is byte for byte what it was, and no temporary file is left.
#include <gtest/gtest.h>

#include <unistd.h>

#include "media/image_file.h"
#include "tests/support/full_disk.h"

namespace plumavo {
namespace {

class FullDiskExportTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FullDiskExportTest, FailsAndKeepsTheOldFile) {
  const std::string ext = GetParam();
  const std::string dir = "/tmp/plumavo-full-" + ext + "-" + std::to_string(::getpid());
  const std::string name = "picture." + ext;
  const std::string old = "the picture exported yesterday";
  const test::FullDiskRun run = test::WithFullDisk(
      dir, [&](const std::string& d) { std::ofstream(d + "/" + name, std::ios::binary) << old; },
      [&](const std::string& d) -> std::string {
        // Noise, so that no format can squeeze it into the little room left.
        TBitmap32 noise(256, 256);
        uint32_t seed = 99;
        for (int i = 0; i < 256 * 256; ++i) noise.Bits()[i] = (seed = seed * 1664525u + 1013904223u) | 0xFF000000u;
        const int32_t flags = ext == "gif" ? kSaveQuantize : ext == "jpg" ? 90 : 0;
        if (SaveImageFile(noise, d + "/" + name, flags)) return "reported success on a full disk";
        if (test::FileBytes(d + "/" + name) != old) return "the old file was changed";
        if (test::FolderListing(d) != name + " ") return "left behind: " + test::FolderListing(d);
        return "";
      });
  std::filesystem::remove_all(dir);
  EXPECT_EQ(run.Failure, "") << "(full disk by " << run.How << ")";
}

INSTANTIATE_TEST_SUITE_P(Formats, FullDiskExportTest,
                         ::testing::Values("bmp", "jpg", "gif", "png", "tif", "tga", "ppm"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
}  // namespace plumavo
