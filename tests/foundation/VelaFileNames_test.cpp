// File-name functions on paths with either separator, and the overwriting
// file copy.
#include "vela/foundation/VelaFileNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

using vela::test::ReadFile;
using vela::test::TempPath;
using vela::test::WriteFile;

// Each row: a function of one path, the path, the expected result.
struct Row {
  VelaString (*function)(const VelaString&);
  const char* path;
  const char* expected;
};

void ExpectRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    EXPECT_EQ(std::string(row.function(row.path).str()), row.expected) << "path " << row.path;
  }
}

TEST(VelaFileNames, GetFileExtTakesTheLastDotWithNoSeparatorAfterIt) {
  ExpectRows({{VelaGetFileExt, "a\\b.txt", ".txt"},
              {VelaGetFileExt, "a/b.txt", ".txt"},
              {VelaGetFileExt, "a.tar.gz", ".gz"},
              {VelaGetFileExt, "file.", "."},
              {VelaGetFileExt, "a\\b.c\\d", ""},
              {VelaGetFileExt, "a/b.c\\d", ""},
              {VelaGetFileExt, "a\\b.c/d", ""},
              {VelaGetFileExt, "a\\b.c/d.e", ".e"},
              {VelaGetFileExt, "abc", ""}});
}

TEST(VelaFileNames, ChangeFileExtReplacesOrAppendsTheGivenText) {
  const struct {
    const char* path;
    const char* ext;
    const char* expected;
  } rows[] = {{"c.txt", ".x", "c.x"},
              {"a.tar.gz", ".x", "a.tar.x"},
              {"a.b\\c", ".x", "a.b\\c.x"},
              {"d\\a.b/c", ".x", "d\\a.b/c.x"},
              {"d/e\\c.txt", ".x", "d/e\\c.x"},
              {"", ".x", ".x"},
              {"c.txt", "x", "cx"},
              {"c.txt", "", "c"}};
  for (const auto& row : rows) {
    EXPECT_EQ(std::string(VelaChangeFileExt(row.path, row.ext).str()), row.expected) << row.path << " " << row.ext;
  }
}

TEST(VelaFileNames, RemoveExtLooksOnlyAtTheLastDot) {
  ExpectRows({{VelaRemoveExt, ".txt", ""},    // k = 0
              {VelaRemoveExt, "a.b", "a.b"},  // k = 1
              {VelaRemoveExt, "ab.c", "ab"},  // k = 2
              {VelaRemoveExt, "abc", "abc"},  // k = -1
              {VelaRemoveExt, "a.b.c", "a.b"},
              // Separators are not looked at: a dot in a folder name counts.
              {VelaRemoveExt, "x/y.z/w", "x/y"},
              {VelaRemoveExt, "a.b/c", "a.b/c"}});
}

TEST(VelaFileNames, ExtractFileAndDirNameSplitAtTheLastSeparator) {
  ExpectRows({{VelaExtractFileName, "c:\\d\\e.f", "e.f"},
              {VelaExtractFileName, "c:/d\\e.f", "e.f"},
              {VelaExtractFileName, "c:\\d\\", ""},
              {VelaExtractFileName, "e.f", "e.f"},
              {VelaExtractDirName, "c:\\d/e.f", "c:\\d/"},
              {VelaExtractDirName, "c:/d\\e.f", "c:/d\\"},
              {VelaExtractDirName, "a.b\\c.d\\e", "a.b\\c.d\\"},
              {VelaExtractDirName, "e.f", ""},
              {VelaExtractFileFolder, "c:\\d/e.f", "c:\\d/"},
              {VelaExtractFileFolder, "e.f", ""}});
  // Directory and file name split a path without losing a character.
  for (const char* path : {"c:\\d/e.f", "a/b\\c", "x", "/", "p\\"}) {
    EXPECT_EQ(std::string(VelaExtractDirName(path).str()) + VelaExtractFileName(path).str(), path);
  }
}

TEST(VelaFileNames, MakePathJoinsWithOneBackslash) {
  EXPECT_EQ(std::string(VelaMakePath("", "x").str()), "x");
  EXPECT_EQ(std::string(VelaMakePath("a/b", "c.txt").str()), "a/b\\c.txt");
  EXPECT_EQ(std::string(VelaMakePath("dir\\", "x").str()), "dir\\\\x");
  EXPECT_EQ(std::string(VelaMakePath("dir", "").str()), "dir\\");
}

TEST(VelaFileNames, ExtractFullFileNameDropsTheFolderBelowInputData) {
  ExpectRows({{VelaExtractFullFileName, "C:\\Data\\InputData\\set1\\a\\b.txt", "a/b.txt"},
              {VelaExtractFullFileName, "/home/u/InputData\\set1/a\\b.txt", "a/b.txt"},
              {VelaExtractFullFileName, "InputData/set1/b.txt", "b.txt"},
              // Only the first occurrence of the marker counts.
              {VelaExtractFullFileName, "x/InputData/s/InputData/t/f", "InputData/t/f"},
              // No folder below the marker's folder: the rest as it stands.
              {VelaExtractFullFileName, "x/InputData/file.txt", "file.txt"},
              {VelaExtractFullFileName, "x/InputData/set1/", ""},
              {VelaExtractFullFileName, "x/InputData", ""},
              // The run of separators right after the folder is skipped, no other.
              {VelaExtractFullFileName, "C:\\InputData\\set1\\\\\\a\\b.txt", "a/b.txt"},
              {VelaExtractFullFileName, "C:/InputData/set1/a//b.txt", "a//b.txt"},
              // The marker skips exactly one character after it.
              {VelaExtractFullFileName, "C:\\InputData\\\\set1\\b.txt", "set1/b.txt"},
              // Without the (case-sensitive) marker the index is -1: the rest
              // starts at 9.
              {VelaExtractFullFileName, "012345678inputdata/a/b", "a/b"},
              {VelaExtractFullFileName, "012345678abc\\def\\g.txt", "def/g.txt"},
              {VelaExtractFullFileName, "012345678file.txt", "file.txt"},
              {VelaExtractFullFileName, "short", ""}});
}

class VelaFileCopy : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(folder_.path()); }
  std::string In(const char* name) const { return folder_.path() + "/" + name; }

 private:
  TempPath folder_{"vela_copyfile"};
};

TEST_F(VelaFileCopy, CopiesEveryByteOverAnExistingTarget) {
  const std::string bytes("line 1\r\nline 2\n\0tail\xff", 21);
  WriteFile(In("source.bin"), bytes);
  WriteFile(In("target.bin"), "an older and longer content");
  VelaCopyFile(In("source.bin").c_str(), In("target.bin").c_str());
  EXPECT_EQ(ReadFile(In("target.bin")), bytes);
  EXPECT_EQ(ReadFile(In("source.bin")), bytes);
}

TEST_F(VelaFileCopy, MissingSourceOrTargetFolderIsSilent) {
  VelaCopyFile(In("missing.txt").c_str(), In("target.txt").c_str());
  EXPECT_FALSE(std::filesystem::exists(In("target.txt")));
  WriteFile(In("kept.txt"), "kept");
  VelaCopyFile(In("missing.txt").c_str(), In("kept.txt").c_str());
  EXPECT_EQ(ReadFile(In("kept.txt")), "kept");
  VelaCopyFile(In("kept.txt").c_str(), In("no/such/folder/target.txt").c_str());
  EXPECT_FALSE(std::filesystem::exists(In("no")));
  VelaCopyFile("", "");
  VelaCopyFile(In("kept.txt").c_str(), "");
}

TEST_F(VelaFileCopy, BackslashesSeparateFolders) {
  std::filesystem::create_directories(In("sub"));
  WriteFile(In("sub/source.txt"), "text");
  const VelaString folder = VelaString(In("sub").c_str());
  VelaCopyFile(VelaMakePath(folder, "source.txt"), VelaMakePath(folder, "copy.txt"));
  EXPECT_EQ(ReadFile(In("sub/copy.txt")), "text");
}

}  // namespace
