// File-name functions on paths with either separator, and the overwriting
// file copy.
#include "vela/foundation/VelaFileNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace {

using vela::test::ReadFile;
using vela::test::TempPath;
using vela::test::WriteFile;

std::string Ext(const char* path) { return VelaGetFileExt(path).str(); }
std::string Change(const char* path, const char* ext) { return VelaChangeFileExt(path, ext).str(); }
std::string Remove(const char* path) { return VelaRemoveExt(path).str(); }
std::string Name(const char* path) { return VelaExtractFileName(path).str(); }
std::string Dir(const char* path) { return VelaExtractDirName(path).str(); }
std::string Full(const char* path) { return VelaExtractFullFileName(path).str(); }

TEST(VelaFileNames, GetFileExtTakesTheLastDotWithNoSeparatorAfterIt) {
  EXPECT_EQ(Ext("a\\b.txt"), ".txt");
  EXPECT_EQ(Ext("a/b.txt"), ".txt");
  EXPECT_EQ(Ext("a.tar.gz"), ".gz");
  EXPECT_EQ(Ext("file."), ".");
  EXPECT_EQ(Ext(".profile"), ".profile");
  // A separator after the dot: the dot belongs to a folder name.
  EXPECT_EQ(Ext("a\\b.c\\d"), "");
  EXPECT_EQ(Ext("a/b.c/d"), "");
  EXPECT_EQ(Ext("a/b.c\\d"), "");
  EXPECT_EQ(Ext("a\\b.c/d"), "");
  EXPECT_EQ(Ext("dir.d/"), "");
  EXPECT_EQ(Ext("a\\b.c/d.e"), ".e");
  EXPECT_EQ(Ext("abc"), "");
  EXPECT_EQ(Ext(""), "");
}

TEST(VelaFileNames, ChangeFileExtReplacesOrAppends) {
  EXPECT_EQ(Change("c.txt", ".x"), "c.x");
  EXPECT_EQ(Change("a.tar.gz", ".x"), "a.tar.x");
  EXPECT_EQ(Change("a.b\\c", ".x"), "a.b\\c.x");
  EXPECT_EQ(Change("a.b/c", ".x"), "a.b/c.x");
  EXPECT_EQ(Change("d\\a.b/c", ".x"), "d\\a.b/c.x");
  EXPECT_EQ(Change("d/e\\c.txt", ".x"), "d/e\\c.x");
  EXPECT_EQ(Change("c", ".x"), "c.x");
  EXPECT_EQ(Change("", ".x"), ".x");
  // ext is appended as given: it carries its own dot, or none.
  EXPECT_EQ(Change("c.txt", "x"), "cx");
  EXPECT_EQ(Change("c.txt", ""), "c");
  EXPECT_EQ(Change("c", ""), "c");
}

TEST(VelaFileNames, RemoveExtLooksOnlyAtTheLastDot) {
  EXPECT_EQ(Remove(".txt"), "");   // k = 0
  EXPECT_EQ(Remove("a.b"), "a.b");  // k = 1
  EXPECT_EQ(Remove("ab.c"), "ab");  // k = 2
  EXPECT_EQ(Remove("abc"), "abc");  // k = -1
  EXPECT_EQ(Remove("a.b.c"), "a.b");
  EXPECT_EQ(Remove(""), "");
  // Separators are not looked at: a dot in a folder name counts.
  EXPECT_EQ(Remove("ab.c\\d"), "ab");
  EXPECT_EQ(Remove("x/y.z/w"), "x/y");
  EXPECT_EQ(Remove("a.b/c"), "a.b/c");  // k = 1 again
}

TEST(VelaFileNames, ExtractFileNameTakesTheTextAfterTheLastSeparator) {
  EXPECT_EQ(Name("c:\\d\\e.f"), "e.f");
  EXPECT_EQ(Name("c:\\d/e.f"), "e.f");
  EXPECT_EQ(Name("c:/d\\e.f"), "e.f");
  EXPECT_EQ(Name("/x"), "x");
  EXPECT_EQ(Name("c:\\d\\"), "");
  EXPECT_EQ(Name("c:\\d/"), "");
  EXPECT_EQ(Name("e.f"), "e.f");
  EXPECT_EQ(Name(""), "");
}

TEST(VelaFileNames, ExtractDirNameKeepsTheLastSeparator) {
  for (auto dir : {&VelaExtractDirName, &VelaExtractFileFolder}) {
    auto d = [dir](const char* path) { return std::string(dir(path).str()); };
    EXPECT_EQ(d("c:\\d/e.f"), "c:\\d/");
    EXPECT_EQ(d("c:/d\\e.f"), "c:/d\\");
    EXPECT_EQ(d("a.b\\c.d\\e"), "a.b\\c.d\\");
    EXPECT_EQ(d("c:\\d\\"), "c:\\d\\");
    EXPECT_EQ(d("/"), "/");
    EXPECT_EQ(d("e.f"), "");
    EXPECT_EQ(d(""), "");
  }
  // Directory and file name split a path without losing a character.
  for (const char* path : {"c:\\d/e.f", "a/b\\c", "x", "/", "p\\"}) {
    EXPECT_EQ(Dir(path) + Name(path), path);
  }
}

TEST(VelaFileNames, MakePathJoinsWithABackslash) {
  EXPECT_EQ(std::string(VelaMakePath("", "x").str()), "x");
  EXPECT_EQ(std::string(VelaMakePath("dir", "x").str()), "dir\\x");
  EXPECT_EQ(std::string(VelaMakePath("a/b", "c.txt").str()), "a/b\\c.txt");
  // No separator is removed or added beyond the one.
  EXPECT_EQ(std::string(VelaMakePath("dir\\", "x").str()), "dir\\\\x");
  EXPECT_EQ(std::string(VelaMakePath("dir", "").str()), "dir\\");
  EXPECT_EQ(std::string(VelaMakePath("", "").str()), "");
}

TEST(VelaFileNames, ExtractFullFileNameDropsTheFolderBelowInputData) {
  EXPECT_EQ(Full("C:\\Data\\InputData\\set1\\a\\b.txt"), "a/b.txt");
  EXPECT_EQ(Full("/home/u/InputData/set1/a/b.txt"), "a/b.txt");
  EXPECT_EQ(Full("/home/u/InputData\\set1/a\\b.txt"), "a/b.txt");
  EXPECT_EQ(Full("InputData/set1/b.txt"), "b.txt");
  // Only the first occurrence of the marker counts.
  EXPECT_EQ(Full("x/InputData/s/InputData/t/f"), "InputData/t/f");
  // No folder below the marker's folder: the rest as it stands.
  EXPECT_EQ(Full("x/InputData/file.txt"), "file.txt");
  EXPECT_EQ(Full("x/InputData/set1/"), "");
  EXPECT_EQ(Full("x/InputData"), "");
  // The marker is case-sensitive.
  EXPECT_EQ(Full("012345678inputdata/a/b"), "a/b");
}

TEST(VelaFileNames, ExtractFullFileNameSkipsRepeatedSeparatorsAfterTheFolder) {
  EXPECT_EQ(Full("C:\\InputData\\set1\\\\\\a\\b.txt"), "a/b.txt");
  EXPECT_EQ(Full("C:/InputData/set1//a/b.txt"), "a/b.txt");
  // Only the run right after the folder is skipped.
  EXPECT_EQ(Full("C:/InputData/set1/a//b.txt"), "a//b.txt");
  // The marker skips exactly one character after it: a doubled separator
  // there leaves an empty folder name, and the first real folder is kept.
  EXPECT_EQ(Full("C:\\InputData\\\\set1\\b.txt"), "set1/b.txt");
}

TEST(VelaFileNames, ExtractFullFileNameWithoutTheMarkerStartsAtIndexNine) {
  // With no "InputData" the index is -1, so the rest starts at 9.
  EXPECT_EQ(Full("012345678abc/def/g.txt"), "def/g.txt");
  EXPECT_EQ(Full("012345678abc\\def\\g.txt"), "def/g.txt");
  EXPECT_EQ(Full("012345678file.txt"), "file.txt");
  EXPECT_EQ(Full("short"), "");
  EXPECT_EQ(Full(""), "");
}

class VelaFileCopy : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(folder_.path()); }
  std::string In(const char* name) const { return folder_.path() + "/" + name; }

 private:
  TempPath folder_{"vela_copyfile"};
};

TEST_F(VelaFileCopy, CopiesEveryByte) {
  const std::string bytes("line 1\r\nline 2\n\0tail\xff", 21);
  WriteFile(In("source.bin"), bytes);
  VelaCopyFile(In("source.bin").c_str(), In("target.bin").c_str());
  EXPECT_EQ(ReadFile(In("target.bin")), bytes);
  EXPECT_EQ(ReadFile(In("source.bin")), bytes);
}

TEST_F(VelaFileCopy, OverwritesAnExistingTarget) {
  WriteFile(In("source.txt"), "new");
  WriteFile(In("target.txt"), "an older and longer content");
  VelaCopyFile(In("source.txt").c_str(), In("target.txt").c_str());
  EXPECT_EQ(ReadFile(In("target.txt")), "new");
}

TEST_F(VelaFileCopy, MissingSourceIsSilentAndCreatesNothing) {
  VelaCopyFile(In("missing.txt").c_str(), In("target.txt").c_str());
  EXPECT_FALSE(std::filesystem::exists(In("target.txt")));
  // An existing target is left as it was.
  WriteFile(In("kept.txt"), "kept");
  VelaCopyFile(In("missing.txt").c_str(), In("kept.txt").c_str());
  EXPECT_EQ(ReadFile(In("kept.txt")), "kept");
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

TEST_F(VelaFileCopy, TargetInAMissingFolderIsSilent) {
  WriteFile(In("source.txt"), "text");
  VelaCopyFile(In("source.txt").c_str(), In("no/such/folder/target.txt").c_str());
  EXPECT_FALSE(std::filesystem::exists(In("no")));
  EXPECT_EQ(ReadFile(In("source.txt")), "text");
}

}  // namespace
