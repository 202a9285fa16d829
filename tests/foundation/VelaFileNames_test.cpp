// File-name functions on paths with either separator, and the overwriting
// file copy.
#include "vela/foundation/VelaFileNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "foundation/FileNamesModel.h"
#include "support/TestSupport.h"

namespace {

using vela::test::ReadFile;

TEST(VelaFileNames, AgreeWithTheirContracts) {
  std::string texts;
  for (const VelaString& s : {VelaGetFileExt("a\\b.c\\d"), VelaRemoveExt(".txt"), VelaRemoveExt("a.b"), VelaRemoveExt("x/y.z/w"),
                              VelaChangeFileExt("a.b\\c", ".x"), VelaExtractDirName("c:\\d/e.f"), VelaMakePath("", "x"),
                              VelaExtractFullFileName("C:\\Data\\InputData\\set1\\\\a\\b.txt")}) {
    texts += std::string(s.str()) + "|";
  }
  EXPECT_EQ(texts, "||a.b|x/y|a.b\\c.x|c:\\d/|x|a/b.txt|");
  vela::test::SeededChoices choices(5);
  for (int i = 0; i < 3000; ++i) {
    const std::string path = vela::test::RandomPath(choices);
    ASSERT_EQ(vela::test::CheckFileNames(path, vela::test::RandomPath(choices)), "");
  }
}

TEST(VelaFileNames, CopyOverwritesTheTargetAndFailsSilently) {
  vela::test::TempPath folder("vela_copyfile");
  const std::string dir = folder.path() + "/sub/", bytes("line 1\r\n\0tail\xff", 13);
  std::filesystem::create_directories(dir);
  vela::test::WriteFile(dir + "source", bytes);
  vela::test::WriteFile(dir + "target", "an older and longer content");
  VelaCopyFile(VelaMakePath((folder.path() + "/sub").c_str(), "source"), (dir + "target").c_str());  // '\\' separates too
  VelaCopyFile((dir + "missing").c_str(), (dir + "target").c_str());
  VelaCopyFile((dir + "source").c_str(), (dir + "no/such/folder").c_str());
  VelaCopyFile("", "");
  EXPECT_EQ(ReadFile(dir + "target") + ReadFile(dir + "source"), bytes + bytes);
  EXPECT_FALSE(std::filesystem::exists(dir + "no"));
}

}  // namespace
