// The file-name functions on arbitrary paths, against their contracts
// written with std::string: extension, file name and folder split at the
// last '.', '\\' or '/', the folder and the file name recompose the path,
// a made path splits back into its parts, and the path below "InputData"
// follows the documented steps.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "vela/foundation/VelaFileNames.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;

constexpr std::size_t npos = std::string::npos;

// Mostly the characters the functions look for; now and then any non-zero
// byte (paths are C strings).
std::string Path(ByteChoices& c) {
  static const char kAlphabet[] = "ab.\\/ :InputData";
  std::string path;
  for (std::size_t n = c.Pick(40); n > 0 && !c.Exhausted(); --n) {
    const std::size_t k = c.Pick(256);
    path += k < 200 ? kAlphabet[k % (sizeof kAlphabet - 1)] : static_cast<char>(k);
  }
  if (c.Chance(20)) path.insert(c.Pick(path.size() + 1), "InputData");
  return path;
}

std::string Text(const VelaString& s) { return std::string(s.str(), static_cast<std::size_t>(s.len())); }

void Expect(const std::string& got, const std::string& expected, const char* what, const std::string& path) {
  Require(got == expected,
          std::string(what) + "(\"" + path + "\") gave \"" + got + "\", expected \"" + expected + "\"");
}

// The documented steps behind VelaExtractFullFileName.
std::string FullFileName(const std::string& path) {
  const std::size_t hit = path.find("InputData");
  const std::size_t start = hit == npos ? 9 : hit + 10;
  std::string rest = start < path.size() ? path.substr(start) : "";
  for (char& ch : rest) {
    if (ch == '\\') ch = '/';
  }
  const std::size_t slash = rest.find('/');
  std::size_t j = slash == npos ? 0 : slash + 1;
  while (j < rest.size() && rest[j] == '/') ++j;
  return rest.substr(j);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  const std::string path = Path(c);
  const std::string ext = Path(c);
  const VelaString p(path.c_str());
  const std::size_t dot = path.rfind('.');
  const std::size_t separator = path.find_last_of("\\/");
  const bool hasExt = dot != npos && (separator == npos || separator < dot);

  Expect(Text(VelaGetFileExt(p)), hasExt ? path.substr(dot) : "", "VelaGetFileExt", path);
  Expect(Text(VelaChangeFileExt(p, VelaString(ext.c_str()))), (hasExt ? path.substr(0, dot) : path) + ext,
         "VelaChangeFileExt", path);
  Expect(Text(VelaRemoveExt(p)), dot != npos && dot > 1 ? path.substr(0, dot) : dot == 0 ? "" : path,
         "VelaRemoveExt", path);
  const std::string name = Text(VelaExtractFileName(p));
  const std::string dir = Text(VelaExtractDirName(p));
  Expect(name, separator == npos ? path : path.substr(separator + 1), "VelaExtractFileName", path);
  Expect(dir, separator == npos ? "" : path.substr(0, separator + 1), "VelaExtractDirName", path);
  Expect(Text(VelaExtractFileFolder(p)), dir, "VelaExtractFileFolder", path);
  Expect(dir + name, path, "folder + file name", path);

  // A made path splits back into the folder (with the added separator) and
  // the name, when the name has no separator of its own.
  const std::string made = Text(VelaMakePath(VelaString(dir.c_str()), VelaString(name.c_str())));
  Expect(made, dir.empty() ? name : dir + "\\" + name, "VelaMakePath", path);
  Expect(Text(VelaExtractFileName(VelaString(made.c_str()))), name, "file name of a made path", path);

  Expect(Text(VelaExtractFullFileName(p)), FullFileName(path), "VelaExtractFullFileName", path);
  return 0;
}
