// The installed tree, moved away from where it was installed, with the build
// and source folders nowhere in its paths: the programs find their data and
// their decoder, the metadata passes the desktop's own validators, and the
// thumbnailer refuses damaged files without crashing or hanging.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "canvas/canvas_style.h"
#include "media/image_file.h"
#include "model/project_file.h"
#include "tests/support/run_command.h"

namespace plumavo {
namespace {

namespace fs = std::filesystem;

using ShellRun = test::CommandRun;

ShellRun Shell(const std::string& command) { return test::RunCommand(command); }

std::string Quote(const fs::path& p) {
  std::string q(1, '\'');
  q.append(p.string());
  q.push_back('\'');
  return q;
}

// One installation for the whole suite: installing takes a moment.
class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("plumavo-install-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    const fs::path stage = root_ / "stage";
    const ShellRun install =
        Shell("DESTDIR=" + Quote(stage) + " cmake --install " + Quote(PLUMAVO_BINARY_DIR) + " --prefix /opt/plumavo");
    installLog_ = install.Out;
    if (install.Code != 0) return;
    // Moved: nothing may depend on the prefix it was installed under.
    prefix_ = root_ / "moved" / "elsewhere";
    fs::create_directories(prefix_.parent_path());
    fs::rename(stage / "opt" / "plumavo", prefix_);
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }
  void SetUp() override {
    ASSERT_TRUE(fs::exists(prefix_ / "bin" / "plumavo-render")) << installLog_;
    ::unsetenv("PLUMAVO_DECODER");
  }
  static std::string Tool() { return Quote(prefix_ / "bin" / "plumavo-render"); }

  static fs::path root_, prefix_;
  static std::string installLog_;
};

fs::path InstalledTree::root_, InstalledTree::prefix_;
std::string InstalledTree::installLog_;

TEST_F(InstalledTree, HoldsProgramsDecoderDataAndDesktopFiles) {
  for (const char* file :
       {"bin/plumavo-render", "libexec/plumavo/plumavo-decode", "share/plumavo/Textures/Rock 1.jpg",
        "share/plumavo/tips/tips.txt", "share/plumavo/help/index.html", "share/plumavo/samples/Fern.plv",
        "share/applications/io.github.plumavo.Plumavo.desktop", "share/metainfo/io.github.plumavo.Plumavo.metainfo.xml",
        "share/mime/packages/io.github.plumavo.Plumavo.xml", "share/thumbnailers/io.github.plumavo.Plumavo.thumbnailer",
        "share/icons/hicolor/48x48/apps/io.github.plumavo.Plumavo.png",
        "share/icons/hicolor/256x256/apps/io.github.plumavo.Plumavo.png", "share/man/man1/plumavo.1",
        "share/man/man1/plumavo-render.1"})
    EXPECT_TRUE(fs::exists(prefix_ / file)) << file;
}

// A texture canvas needs both the data folder and the decoder child: the
// moved tree renders the same picture as the build folder.
TEST_F(InstalledTree, RendersATextureCanvasAsTheBuildFolderDoes) {
  Project p;
  ASSERT_EQ(LoadProject(p, std::string(PLUMAVO_SOURCE_DIR) + "/resources/samples/Fern.plv"), kFileOk);
  const auto& captions = CanvasStyleCaptions();
  p.CanvasStyle = uint16_t(std::find(captions.begin(), captions.end(), std::string("Rock 1")) - captions.begin());
  const fs::path project = root_ / "textured.plv";
  ASSERT_EQ(SaveProject(p, project.string()), kFileOk);
  const ShellRun installed =
      Shell("cd / && " + Tool() + " --loops 2000 " + Quote(project) + " " + Quote(root_ / "installed.png"));
  EXPECT_EQ(installed.Code, 0) << installed.Out;
  EXPECT_EQ(installed.Out, "") << "the installed tool complained";
  const ShellRun built = Shell(std::string(PLUMAVO_BINARY_DIR) + "/bin/plumavo-render --loops 2000 " + Quote(project) +
                               " " + Quote(root_ / "built.png"));
  ASSERT_EQ(built.Code, 0) << built.Out;
  TBitmap32 a, b;
  ASSERT_TRUE(LoadImageFile(a, (root_ / "installed.png").string(), 0));
  ASSERT_TRUE(LoadImageFile(b, (root_ / "built.png").string(), 0));
  ASSERT_EQ(a.Width(), b.Width());
  EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + size_t(a.Width()) * a.Height(), b.Bits())) << "pictures differ";
}

struct ValidatorRow {
  const char* Name;
  const char* Command;  // followed by the installed file
  const char* File;
};

class MetadataTest : public InstalledTree, public ::testing::WithParamInterface<ValidatorRow> {};

TEST_P(MetadataTest, PassesTheDesktopsOwnValidator) {
  const ValidatorRow& r = GetParam();
  const std::string command = std::string(r.Command) + " " + Quote(prefix_ / r.File);
  const ShellRun run = Shell(command);
  EXPECT_EQ(run.Code, 0) << command << "\n" << run.Out << "(scripts/deps.sh installs the validators)";
}

INSTANTIATE_TEST_SUITE_P(
    Files, MetadataTest,
    ::testing::Values(ValidatorRow{"DesktopEntry", "desktop-file-validate",
                                   "share/applications/io.github.plumavo.Plumavo.desktop"},
                      ValidatorRow{"AppStream", "appstreamcli validate --no-net",
                                   "share/metainfo/io.github.plumavo.Plumavo.metainfo.xml"},
                      ValidatorRow{"MimeType", "xmllint --noout", "share/mime/packages/io.github.plumavo.Plumavo.xml"},
                      ValidatorRow{"ScalableIcon", "xmllint --noout",
                                   "share/icons/hicolor/scalable/apps/io.github.plumavo.Plumavo.svg"},
                      ValidatorRow{"ManualPage", "groff -man -Tutf8 -ww -z", "share/man/man1/plumavo-render.1"}),
    [](const ::testing::TestParamInfo<ValidatorRow>& info) { return std::string(info.param.Name); });

// The MIME database that the installed package file makes knows .plv files,
// by name and by contents.
TEST_F(InstalledTree, MimeDatabaseKnowsProjectFiles) {
  const fs::path mime = prefix_ / "share" / "mime";
  const ShellRun update = Shell("update-mime-database " + Quote(mime));
  ASSERT_EQ(update.Code, 0) << update.Out;
  const std::string globs = [&] {
    std::ifstream f(mime / "globs2");
    return std::string(std::istreambuf_iterator<char>(f), {});
  }();
  EXPECT_NE(globs.find("application/x-plumavo-project:*.plv"), std::string::npos) << globs;
  EXPECT_TRUE(fs::exists(mime / "magic"));
}

TEST_F(InstalledTree, ThumbnailOfASampleFitsTheAskedSize) {
  const fs::path out = root_ / "thumb.png";
  const ShellRun run =
      Shell(Tool() + " --thumbnail 96 " + Quote(prefix_ / "share/plumavo/samples/Fern.plv") + " " + Quote(out));
  ASSERT_EQ(run.Code, 0) << run.Out;
  TBitmap32 thumb;
  ASSERT_TRUE(LoadImageFile(thumb, out.string(), 0));
  EXPECT_EQ(std::max(thumb.Width(), thumb.Height()), 96);
}

// The window comes up without the video and image file libraries: with what
// they pull in they took longer to load than the window takes to show, and
// they are loaded when the first movie is made or image file is read.
TEST_F(InstalledTree, WindowComesUpWithoutLoadingTheVideoAndImageFileLibraries) {
  const fs::path program = prefix_ / "bin" / "plumavo";
  if (!fs::exists(program)) GTEST_SKIP() << "the window program is not built here";
  const fs::path home = root_ / "home";
  fs::create_directories(home);
  const ShellRun run = Shell("HOME=" + Quote(home) + " XDG_CONFIG_HOME=" + Quote(home / ".config") +
                             " QT_QPA_PLATFORM=offscreen PLUMAVO_EXIT_WHEN_SHOWN=1 LD_DEBUG=files " + Quote(program));
  ASSERT_EQ(run.Code, 0) << run.Out;
  EXPECT_NE(run.Out.find("libQt6Widgets"), std::string::npos) << "the loader's list was not captured";
  for (const char* lib : {"libavformat", "libavcodec", "libswscale", "libfreeimage"})
    EXPECT_EQ(run.Out.find(lib), std::string::npos) << lib << " was loaded at start-up";
}

struct DamagedRow {
  const char* Name;
  std::string Bytes;
};

class DamagedThumbnailTest : public InstalledTree, public ::testing::WithParamInterface<DamagedRow> {};

// Thumbnailers run by themselves on whatever was downloaded: a damaged file
// is refused with a non-zero exit, never a crash, a hang or an output file.
TEST_P(DamagedThumbnailTest, IsRefusedQuickly) {
  const fs::path in = root_ / (std::string(GetParam().Name) + ".plv");
  const fs::path out = root_ / (std::string(GetParam().Name) + ".png");
  std::ofstream(in, std::ios::binary) << GetParam().Bytes;
  const auto start = std::chrono::steady_clock::now();
  const ShellRun run = Shell("timeout 30 " + Tool() + " --thumbnail 128 " + Quote(in) + " " + Quote(out));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));
  EXPECT_GT(run.Code, 0) << "accepted or crashed: " << run.Out;
  EXPECT_NE(run.Code, 124) << "hung";
  EXPECT_FALSE(fs::exists(out));
}

std::string SampleBytes() {
  std::ifstream f(std::string(PLUMAVO_SOURCE_DIR) + "/resources/samples/Fern.plv", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedThumbnailTest,
    ::testing::Values(DamagedRow{"Empty", ""}, DamagedRow{"Text", "this is not a project\n"},
                      DamagedRow{"Truncated", SampleBytes().substr(0, 60)},
                      // An affine header claiming 2^31-1 vertices.
                      DamagedRow{"HugeCounts", std::string("\xC3\xA3\x58\x02\x00\x00\x58\x02\x00\x00\xFF\xFF\xFF\x00"
                                                           "\xFF\xFF\xFF\x7F",
                                                           18)},
                      DamagedRow{"PictureNamedAsProject", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)}),
    [](const ::testing::TestParamInfo<DamagedRow>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace plumavo
