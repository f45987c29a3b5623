// Libraries loaded on first use: a missing file or function is a reason to
// report, never a crash, and the functions found are the ones asked for.
#include "media/library_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace plumavo {
namespace {

struct LoaderRow {
  const char* Name;
  std::vector<const char*> Files;
  std::vector<const char*> Functions;
  const char* ReasonContains;  // nullptr: every function is found
};

class LibraryLoaderTest : public testing::TestWithParam<LoaderRow> {};

TEST_P(LibraryLoaderTest, FindsEveryFunctionOrSaysWhyNot) {
  const LoaderRow& row = GetParam();
  std::string why;
  const std::vector<void*> found = LoadLibraryFunctions("The test library", row.Files, row.Functions, why);
  if (row.ReasonContains != nullptr) {
    EXPECT_TRUE(found.empty());
    EXPECT_NE(why.find(row.ReasonContains), std::string::npos) << why;
    return;
  }
  ASSERT_EQ(found.size(), row.Functions.size()) << why;
  // In the order asked for: strlen first, then strcmp.
  EXPECT_EQ(reinterpret_cast<size_t (*)(const char*)>(found[0])("four"), 4u);
  EXPECT_EQ(reinterpret_cast<int (*)(const char*, const char*)>(found[1])("a", "a"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryLoaderTest,
    testing::Values(LoaderRow{"FunctionsFromTheSecondFile", {"libm.so.6", "libc.so.6"}, {"strlen", "strcmp"}, nullptr},
                    LoaderRow{"MissingFile",
                              {"libc.so.6", "libplumavo-nowhere.so.1"},
                              {"strlen"},
                              "The test library could not be loaded"},
                    LoaderRow{"MissingFunction",
                              {"libc.so.6"},
                              {"strlen", "plumavo_no_such_function"},
                              "has no function plumavo_no_such_function"}),
    [](const testing::TestParamInfo<LoaderRow>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace plumavo
