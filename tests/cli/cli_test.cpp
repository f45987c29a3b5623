// Runs the command-line tool as a user would and checks what it says and returns.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
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

struct ToolRun {
  int code = -1;
  std::string out;  // stdout and stderr together
};

ToolRun RunTool(const std::string& args) {
  const test::CommandRun r = test::RunCommand(std::string(PLUMAVO_BINARY_DIR) + "/bin/plumavo-render " + args);
  return {r.Code, r.Out};
}

class Cli : public testing::Test {
 protected:
  void SetUp() override {
    // A parameterised test's name holds a slash, which would make a folder
    // inside a folder that TearDown then leaves behind.
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() / ("plumavo-cli-" + std::to_string(::getpid()) + "-" + name);
    fs::create_directories(dir_);
    Project p;
    ResetProject(p, 64, 48, true, ShapeMode::Affine);
    const ShapeSettings red{0x0000FF, false, 1, 2, 0, 255};
    for (auto [x, y] : {std::pair{0, 47},
                        {63, 47},
                        {32, 0},  // Main-Shape
                        {0, 47},
                        {31, 47},
                        {16, 24},  // three half-size copies
                        {32, 47},
                        {63, 47},
                        {48, 24},
                        {16, 24},
                        {48, 24},
                        {32, 0}})
      AppendVertex(p, x, y, red);
    ASSERT_EQ(SaveProject(p, Path("tri.plv")), kFileOk);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(Cli, DescribesAProject) {
  const ToolRun r = RunTool(Path("tri.plv"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "Affine 64x48 vertices=12 shapes=4 selected=3\n");
}

struct FailRow {
  const char* Name;
  std::string args;  // "%" stands for the test's folder
  int code;
  std::string message;
};

class CliFails : public Cli, public testing::WithParamInterface<FailRow> {};

TEST_P(CliFails, WithTheProgramsOwnText) {
  std::ofstream(Path("junk.plv")) << "not a project";
  std::ofstream(Path("short.plv"), std::ios::binary) << std::string("\xC3\xA3\x0F\x00\x00\x00", 6);
  std::string args = GetParam().args;
  for (size_t at; (at = args.find('%')) != std::string::npos;) args.replace(at, 1, dir_.string());
  const ToolRun r = RunTool(args);
  EXPECT_EQ(r.code, GetParam().code) << r.out;
  EXPECT_NE(r.out.find(GetParam().message), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Rows, CliFails,
                         testing::Values(FailRow{"NoArguments", "", 1, "usage:"},
                                         FailRow{"ZeroLoops", "--loops 0 %/tri.plv x.png", 1, "usage:"},
                                         FailRow{"UnknownOption", "--bogus %/tri.plv", 1, "usage:"},
                                         FailRow{"ThreeFiles", "%/a.plv %/b.plv %/c.plv", 1, "usage:"},
                                         FailRow{"MissingProject", "%/missing.plv", 2, "Cannot open the project."},
                                         FailRow{"JunkProject", "%/junk.plv", 2, "Unexpected file format."},
                                         FailRow{"TruncatedProject", "%/short.plv", 2, "Unexpected file format."},
                                         FailRow{"SaveIntoMissingFolder", "%/tri.plv %/no/such/folder/out.plv", 3,
                                                 "Cannot save the project."},
                                         FailRow{"UnknownImageExtension", "%/tri.plv %/out.xyz", 4,
                                                 "Cannot write the image."}),
                         [](const testing::TestParamInfo<FailRow>& info) { return std::string(info.param.Name); });

TEST_F(Cli, SavesTheProjectAgain) {
  const ToolRun r = RunTool(Path("tri.plv") + " " + Path("copy.plv"));
  EXPECT_EQ(r.code, 0) << r.out;
  std::ifstream a(Path("tri.plv"), std::ios::binary), b(Path("copy.plv"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), std::string(std::istreambuf_iterator<char>(b), {}));
}

TEST_F(Cli, RendersThePictureInTheFormatOfTheExtension) {
  for (const char* ext : {"png", "bmp", "jpg", "gif", "tif", "tga", "ppm"}) {
    const std::string out = Path(std::string("pic.") + ext);
    const ToolRun r = RunTool("--loops 20000 " + Path("tri.plv") + " " + out);
    ASSERT_EQ(r.code, 0) << ext << ": " << r.out;
    TBitmap32 pic;
    ASSERT_TRUE(LoadImageFile(pic, out, 0)) << ext;
    EXPECT_EQ(pic.Width(), 64);
    EXPECT_EQ(pic.Height(), 48);
  }
  // The aliased 3x3 red dots land on the triangle and leave its outside white.
  TBitmap32 pic;
  ASSERT_EQ(RunTool("--aliased " + Path("tri.plv") + " " + Path("a.png")).code, 0);
  ASSERT_TRUE(LoadImageFile(pic, Path("a.png"), 0));
  int red = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) red += pic.Pixel(x, y) == 0xFFFF0000u;
  EXPECT_GT(red, 200);
  EXPECT_EQ(pic.Pixel(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(pic.Pixel(62, 1), 0xFFFFFFFFu);
}

struct CanvasRow {
  const char* name;
  uint16_t style;
  bool background;
};

class CliCanvas : public Cli, public testing::WithParamInterface<CanvasRow> {};

// A project without Sub-Shapes renders its bare canvas: every style and the
// centred background image come out of the command-line tool as composed.
TEST_P(CliCanvas, RendersTheComposedCanvas) {
  Project p;
  ResetProject(p, 300, 200, true, ShapeMode::Affine);
  p.CanvasStyle = GetParam().style;
  p.CanvasColor = 0x00FF00;
  if (GetParam().background) {
    p.BackgroundImage.SetSize(40, 20);
    p.BackgroundImage.Clear(0xFF0000FF);
  }
  ASSERT_EQ(SaveProject(p, Path("c.plv")), kFileOk);
  const ToolRun r = RunTool(Path("c.plv") + " " + Path("c.png"));
  ASSERT_EQ(r.code, 0) << r.out;
  TBitmap32 pic;
  ASSERT_TRUE(LoadImageFile(pic, Path("c.png"), 0));
  ASSERT_EQ(pic.Width(), 300);

  TCanvasState expected;
  TBitmap32 layer;
  expected.TextureFolder = std::string(PLUMAVO_BINARY_DIR) + "/bin/Textures/";
  ASSERT_TRUE(expected.PrepareForProject(p).Ok());
  ASSERT_TRUE(expected.ComposeCanvas(p, layer));
  EXPECT_EQ(p.CanvasStyle, GetParam().style) << "the style's file was not found";
  for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {150, 100}, {299, 199}, {137, 61}})
    EXPECT_EQ(pic.Pixel(x, y), layer.Pixel(x, y)) << x << "," << y;
  if (GetParam().style == csSolid && !GetParam().background) {
    EXPECT_EQ(pic.Pixel(7, 7), 0xFF00FF00u);
  }
  if (GetParam().style == csGradient) {
    EXPECT_NE(pic.Pixel(0, 0), pic.Pixel(299, 199));
  }
  if (GetParam().background) {
    EXPECT_EQ(pic.Pixel(150, 100), 0xFF0000FFu);
  }
}

INSTANTIATE_TEST_SUITE_P(Styles, CliCanvas,
                         testing::Values(CanvasRow{"solid", csSolid, false}, CanvasRow{"gradient", csGradient, false},
                                         CanvasRow{"grid", csGrid, false}, CanvasRow{"cement", csFirstTexture, false},
                                         CanvasRow{"wood", 23, false}, CanvasRow{"background", csSolid, true},
                                         CanvasRow{"texture_and_background", 10, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace plumavo

namespace plumavo {
namespace {

// Textures come from a folder anyone can write to. One that crashes or hangs
// the image library costs the texture, with a word on stderr, not the run.
struct DamagedTextureRow {
  const char* Name;
  const char* Texture;  // the canvas style whose file is damaged
  const char* Fixture;
};

class CliDamagedTexture : public Cli, public testing::WithParamInterface<DamagedTextureRow> {};

TEST_P(CliDamagedTexture, FallsBackToThePlainCanvasAndSaysSo) {
  const DamagedTextureRow& row = GetParam();
  // The tool looks for Textures/ and its decoder beside itself: a copy of
  // both in the test's folder, with the damaged texture.
  const fs::path bin = fs::path(PLUMAVO_BINARY_DIR) / "bin";
  fs::copy_file(bin / "plumavo-render", dir_ / "plumavo-render");
  fs::copy_file(bin / "plumavo-decode", dir_ / "plumavo-decode");
  fs::create_directories(dir_ / "Textures");
  fs::copy_file(fs::path(PLUMAVO_SOURCE_DIR) / "tests/media/damaged" / row.Fixture,
                dir_ / "Textures" / (std::string(row.Texture) + ".jpg"));
  Project p;
  ASSERT_EQ(LoadProject(p, Path("tri.plv")), kFileOk);
  ASSERT_EQ(SaveProject(p, Path("plain.plv")), kFileOk);
  const auto& captions = CanvasStyleCaptions();
  p.CanvasStyle = uint16_t(std::find(captions.begin(), captions.end(), std::string(row.Texture)) - captions.begin());
  ASSERT_EQ(SaveProject(p, Path("textured.plv")), kFileOk);
  const std::string tool = (dir_ / "plumavo-render").string() + " --loops 100 ";
  const test::CommandRun r = test::RunCommand(tool + Path("textured.plv") + " " + Path("out.png"));
  EXPECT_EQ(r.Code, 0) << r.Out;
  EXPECT_NE(r.Out.find("cannot be read"), std::string::npos) << r.Out;
  // The picture is the one on the plain canvas.
  ASSERT_EQ(test::RunCommand(tool + Path("plain.plv") + " " + Path("plain.png")).Code, 0);
  TBitmap32 written, plain;
  ASSERT_TRUE(LoadImageFile(written, Path("out.png"), 0));
  ASSERT_TRUE(LoadImageFile(plain, Path("plain.png"), 0));
  ASSERT_EQ(written.Width(), plain.Width());
  EXPECT_TRUE(std::equal(written.Bits(), written.Bits() + size_t(written.Width()) * written.Height(), plain.Bits()));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CliDamagedTexture,
                         testing::Values(DamagedTextureRow{"CrashesTheDecoder", "Rock 1", "crashes-decoder.psd"},
                                         DamagedTextureRow{"NeverFinishes", "Sand 1", "hangs-decoder.lbm"}),
                         [](const testing::TestParamInfo<DamagedTextureRow>& info) {
                           return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace plumavo

#include "tests/support/full_disk.h"

namespace plumavo {
namespace {

// An export onto a full disk ends with exit code 4 and the old picture intact.
TEST_F(Cli, ExportOntoAFullDiskExitsWithFourAndKeepsTheOldFile) {
  const std::string disk = dir_.string() + "/disk";
  const std::string tool = std::string(PLUMAVO_BINARY_DIR) + "/bin/plumavo-render";
  const std::string project = Path("tri.plv");
  const test::FullDiskRun run = test::WithFullDisk(
      disk, [](const std::string& d) { std::ofstream(d + "/out.bmp") << "yesterday"; },
      [&](const std::string& d) -> std::string {
        const int status = std::system((tool + " " + project + " " + d + "/out.bmp > /dev/null 2>&1").c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 4)
          return "exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        if (test::FileBytes(d + "/out.bmp") != "yesterday") return "the old file was changed";
        if (test::FolderListing(d) != "out.bmp ") return "left behind: " + test::FolderListing(d);
        return "";
      });
  EXPECT_EQ(run.Failure, "") << "(full disk by " << run.How << ")";
}

}  // namespace
}  // namespace plumavo
