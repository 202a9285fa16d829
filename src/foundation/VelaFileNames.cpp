#include "vela/foundation/VelaFileNames.h"

#include <algorithm>

#include "platform/PlatformFiles.h"

namespace {

// Index of the last '\\' or '/', or -1.
int LastSeparator(const VelaString& path) {
  return std::max(path.findLast('\\'), path.findLast('/'));
}

// Index of the last '.' that no separator follows, or -1.
int ExtensionDot(const VelaString& path) {
  const int dot = path.findLast('.');
  return dot > LastSeparator(path) ? dot : -1;
}

}  // namespace

VelaString VelaGetFileExt(const VelaString& path) {
  const int dot = ExtensionDot(path);
  return dot >= 0 ? path.subString(dot, -1) : VelaString();
}

VelaString VelaChangeFileExt(const VelaString& path, const VelaString& ext) {
  const int dot = ExtensionDot(path);
  return (dot >= 0 ? path.subString(0, dot) : path) + ext;
}

VelaString VelaRemoveExt(const VelaString& path) {
  const int dot = path.findLast('.');
  if (dot > 1) return path.subString(0, dot);
  if (dot == 0) return VelaString();
  return path;
}

VelaString VelaExtractFileName(const VelaString& path) {
  const int separator = LastSeparator(path);
  return separator >= 0 ? path.subString(separator + 1, -1) : path;
}

VelaString VelaExtractDirName(const VelaString& path) {
  const int separator = LastSeparator(path);
  return separator >= 0 ? path.subString(0, separator + 1) : VelaString();
}

VelaString VelaExtractFileFolder(const VelaString& path) { return VelaExtractDirName(path); }

VelaString VelaMakePath(const VelaString& dir, const VelaString& name) {
  return dir.isEmpty() ? name : dir + "\\" + name;
}

VelaString VelaExtractFullFileName(const VelaString& path) {
  // Below "InputData" and the separator behind it...
  const int marker = path.find(VelaString("InputData"), 0);
  VelaString rest = path.subString(marker + 10, -1);
  rest.replace('\\', '/');
  // ...and below the first folder there.
  int start = rest.find('/', 0) + 1;
  while (start < rest.len() && rest[start] == '/') ++start;
  return rest.subString(start, -1);
}

void VelaCopyFile(const VelaString& from, const VelaString& to) {
  vela::platform::CopyFileOverwriting(from.str(), to.str());
}
