/// \file
/// \ingroup foundation
/// File-name functions and the file copy.
///
/// Paths are plain strings in which either '\\' or '/' separates folders; the
/// last separator is whichever of the two stands further right. None of these
/// functions touches the file system except VelaCopyFile.
#ifndef VELA_FOUNDATION_VELAFILENAMES_H
#define VELA_FOUNDATION_VELAFILENAMES_H

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

/// \addtogroup foundation
/// @{

/// From the last '.' to the end, dot included, when no separator follows the
/// dot; otherwise "". VelaGetFileExt("a\\b.txt") is ".txt".
VELA_API VelaString VelaGetFileExt(const VelaString& path);
/// The text before the last '.' (when no separator follows it) followed by
/// ext; otherwise path followed by ext. ext carries its own dot.
VELA_API VelaString VelaChangeFileExt(const VelaString& path, const VelaString& ext);
/// With k the index of the last '.': the text before it when k > 1, "" when
/// k = 0, path unchanged when k is 1 or there is no dot. Separators are not
/// looked at.
VELA_API VelaString VelaRemoveExt(const VelaString& path);
/// The text after the last separator ("" when a separator ends the path);
/// path unchanged when it has none.
VELA_API VelaString VelaExtractFileName(const VelaString& path);
/// The text up to and including the last separator; "" when there is none.
VELA_API VelaString VelaExtractDirName(const VelaString& path);
/// The same function as VelaExtractDirName under another name.
VELA_API VelaString VelaExtractFileFolder(const VelaString& path);
/// dir + "\\" + name; name alone when dir is empty.
VELA_API VelaString VelaMakePath(const VelaString& dir, const VelaString& name);
/// The path below the first folder that follows "InputData", written with
/// '/' separators: "x\\InputData\\set1\\a\\b.txt" gives "a/b.txt".
VELA_API VelaString VelaExtractFullFileName(const VelaString& path);

/// Copies the file, replacing an existing target. A failure is silent.
/// Like every path the library opens, '\\' in either name is taken as a
/// folder separator on this platform.
VELA_API void VelaCopyFile(const VelaString& from, const VelaString& to);

/// @}

#endif  // VELA_FOUNDATION_VELAFILENAMES_H
