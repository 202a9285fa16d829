// The record kept by the test playback plug-in (libVelaUnderPlayBack.so,
// built from VelaUnderPlayBackPlugin.cpp), and how tests read it back.
//
// Loading the plug-in constructs its hook object, which registers itself as
// the process's VelaUnderPlayBack. While the environment variable named by
// kPlaybackLogVariable names a file, the plug-in appends one entry per
// event to that file (the file is reopened for every entry, so a child
// process that exits at once leaves a complete record):
//   "load\n"                                   the plug-in was loaded
//   "IsActive\n"                               IsActive() was called
//   "Capture <phase> <operator> <n>\n" data "\n"
//                                              Capture(): <operator> is
//                                              PlaybackPointerText(op), data
//                                              the n bytes of the memory
//                                              stream's text
//   "Open <archive>\n", "Close\n"              Open() and Close()
// IsActive() returns 1, or 0 while kPlaybackInactiveVariable is set.
//
// Typical use in a test: run the code in a child process (for example a
// death test in the "threadsafe" style, which starts a fresh process so the
// once-per-process environment check starts over) with "PlayBack_zip" and
// kPlaybackLogVariable set and the plug-in's folder on LD_LIBRARY_PATH
// (the operator tests get VELA_TEST_PLAYBACK_DIR, and ctest puts it on
// the path), then read the record in the parent with ReadPlaybackLog.
#ifndef VELA_TESTS_OPERATOR_PLUGIN_PLAYBACKRECORD_H
#define VELA_TESTS_OPERATOR_PLUGIN_PLAYBACKRECORD_H

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace vela::test {

inline constexpr const char* kPlaybackLogVariable = "VELA_TEST_PLAYBACK_LOG";
inline constexpr const char* kPlaybackInactiveVariable = "VELA_TEST_PLAYBACK_INACTIVE";

// How the record names an operator pointer: "null" or its address.
inline std::string PlaybackPointerText(const void* pointer) {
  if (pointer == nullptr) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%p", pointer);
  return text;
}

struct PlaybackEvent {
  std::string kind;     // "load", "IsActive", "Capture", "Open", "Close"
  int phase = -1;       // Capture only
  std::string operand;  // Capture: the operator text; Open: the archive
  std::string data;     // Capture only: the captured text, byte for byte
};

// The events recorded in `path`, in order; empty when the file is missing.
// A malformed entry ends the list with an event of kind "?".
inline std::vector<PlaybackEvent> ReadPlaybackLog(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<PlaybackEvent> events;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t eol = text.find('\n', at);
    if (eol == std::string::npos) break;
    std::istringstream line(text.substr(at, eol - at));
    at = eol + 1;
    PlaybackEvent event;
    line >> event.kind;
    if (event.kind == "Capture") {
      std::size_t bytes = 0;
      if (!(line >> event.phase >> event.operand >> bytes) || at + bytes >= text.size() ||
          text[at + bytes] != '\n') {
        events.push_back({"?", -1, "", ""});
        break;
      }
      event.data = text.substr(at, bytes);
      at += bytes + 1;
    } else if (event.kind == "Open") {
      std::getline(line >> std::ws, event.operand);
    }
    events.push_back(event);
  }
  return events;
}

// The kinds of the events in order, one per line ("load\nIsActive\n...").
inline std::string PlaybackEventKinds(const std::vector<PlaybackEvent>& events) {
  std::string kinds;
  for (const PlaybackEvent& event : events) kinds += event.kind + "\n";
  return kinds;
}

}  // namespace vela::test

#endif  // VELA_TESTS_OPERATOR_PLUGIN_PLAYBACKRECORD_H
