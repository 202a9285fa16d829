// The test playback plug-in: libVelaUnderPlayBack.so.
//
// A real plug-in as the library finds it: loading it constructs the hook
// object below, which registers itself through VelaUnderPlayBack's
// constructor. It records every call it receives; PlaybackRecord.h gives the
// record's format and the reader tests use.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "operator/plugin/PlaybackRecord.h"
#include "vela/operator/VelaUnderPlayBack.h"
#include "vela/streams/VelaStream.h"

namespace {

void Record(const std::string& entry) {
  const char* path = std::getenv(vela::test::kPlaybackLogVariable);
  if (path == nullptr || *path == '\0') return;
  std::ofstream log(path, std::ios::binary | std::ios::app);
  log << entry;
}

std::string MemoryText(VelaStream* data) {
  if (data == nullptr) return "";
  auto* memory = dynamic_cast<std::stringstream*>(data->GetStream());
  return memory != nullptr ? memory->str() : "";
}

class RecordingHook final : public VelaUnderPlayBack {
 public:
  RecordingHook() { Record("load\n"); }

  unsigned char IsActive() override {
    Record("IsActive\n");
    return std::getenv(vela::test::kPlaybackInactiveVariable) == nullptr ? 1 : 0;
  }

  void Capture(int iPhase, VelaOperator* iOperator, VelaStream* iData) override {
    const std::string text = MemoryText(iData);
    Record("Capture " + std::to_string(iPhase) + " " + vela::test::PlaybackPointerText(iOperator) +
           " " + std::to_string(text.size()) + "\n" + text + "\n");
  }

  unsigned char Open(const VelaString& iArchive) override {
    Record(std::string("Open ") + iArchive.str() + "\n");
    return 1;
  }

  void Close() override { Record("Close\n"); }
};

// Constructed while the plug-in is being loaded: this is the registration.
RecordingHook theHook;

}  // namespace
