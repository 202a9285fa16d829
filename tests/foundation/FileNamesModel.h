// The file-name functions against their contracts written with std::string,
// shared by the file-name test and fuzzer.
#ifndef VELA_TESTS_FOUNDATION_FILENAMESMODEL_H
#define VELA_TESTS_FOUNDATION_FILENAMESMODEL_H

#include <algorithm>
#include <string>

#include "support/Choices.h"
#include "vela/foundation/VelaFileNames.h"

namespace vela::test {

// Mostly the characters the functions look for, now and then a high byte or the marker.
inline std::string RandomPath(Choices& c) {
  static const char kAlphabet[] = "ab.\\/ :InputData";
  std::string path;
  for (std::size_t n = c.Pick(40); n > 0 && !c.Exhausted(); --n) {
    const std::size_t k = c.Pick(256);
    path += k < 200 ? kAlphabet[k % (sizeof kAlphabet - 1)] : static_cast<char>(k);
  }
  if (c.Chance(20)) path.insert(c.Pick(path.size() + 1), "InputData");
  return path;
}

// The first function that disagrees with its contract on `path` (and `ext`).
inline std::string CheckFileNames(const std::string& path, const std::string& ext) {
  constexpr std::size_t npos = std::string::npos;
  const VelaString p(path.c_str());
  const std::size_t dot = path.rfind('.'), separator = path.find_last_of("\\/");
  const bool hasExt = dot != npos && (separator == npos || separator < dot);
  const std::string dir = separator == npos ? "" : path.substr(0, separator + 1), name = path.substr(dir.size());
  // Below the marker and the one character after it, with '/' for '\\', and
  // below the first folder there (and the separators right after it).
  const std::size_t marker = path.find("InputData"), from = marker == npos ? 9 : marker + 10;
  std::string rest = from < path.size() ? path.substr(from) : "";
  std::replace(rest.begin(), rest.end(), '\\', '/');
  std::size_t below = rest.find('/') == npos ? 0 : rest.find('/') + 1;
  while (below < rest.size() && rest[below] == '/') ++below;
  const std::pair<VelaString, std::string> checks[] = {
      {VelaGetFileExt(p), hasExt ? path.substr(dot) : ""},
      {VelaChangeFileExt(p, VelaString(ext.c_str())), (hasExt ? path.substr(0, dot) : path) + ext},
      {VelaRemoveExt(p), dot != npos && dot > 1 ? path.substr(0, dot) : dot == 0 ? "" : path},
      {VelaExtractFileName(p), name},
      {VelaExtractDirName(p) + "|" + VelaExtractFileFolder(p), dir + "|" + dir},
      {VelaMakePath(VelaString(dir.c_str()), VelaString(name.c_str())), dir.empty() ? name : dir + "\\" + name},
      {VelaExtractFullFileName(p), rest.substr(below)}};
  for (const auto& [got, expected] : checks) {
    if (std::string(got.str(), static_cast<std::size_t>(got.len())) != expected) {
      return "\"" + path + "\" gave \"" + got.str() + "\", expected \"" + expected + "\"";
    }
  }
  return "";
}

}  // namespace vela::test

#endif  // VELA_TESTS_FOUNDATION_FILENAMESMODEL_H
