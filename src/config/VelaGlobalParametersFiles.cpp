// VelaGlobalParameters: replay and script file names, and the diagnostic
// streams it owns.
#include <iostream>
#include <new>

#include "config/GlobalParameterKeys.h"
#include "platform/PlatformFiles.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/foundation/VelaEnvironment.h"

const VelaString& VelaGlobalParameters::GetReplayPrefix() {
  if (!testMode_ && current_.ReplayPrefix.isEmpty()) {
    const VelaString value = VelaGetEnv(vela::detail::kLogNameKey) + "_";
    current_.ReplayPrefix = value == "_" ? VelaString("Vela") : value;
  }
  return current_.ReplayPrefix;
}

const VelaString& VelaGlobalParameters::GetReplayFileName() {
  if (!replayFileName_.isEmpty()) return replayFileName_;
  generatedReplayFileName_ = FillString(VelaString(replayNumber_), 3, '0') + current_.ReplaySuffix;
  return generatedReplayFileName_;
}

VelaString VelaGlobalParameters::FullName(const VelaString& name) {
  const VelaString prefixed = GetReplayPrefix() + name;
  if (current_.ReplayPath.isEmpty()) return prefixed;
  return current_.ReplayPath + "\\" + prefixed;
}

VelaString VelaGlobalParameters::GetReplayFullName() { return FullName(GetReplayFileName()); }

VelaString VelaGlobalParameters::GetScriptFileName() const {
  if (!scriptFileName_.isEmpty()) return scriptFileName_;
  if (testMode_) return replayFileName_ + chScriptExt;
  return VelaString(scriptNumber_) + chScriptExt;
}

VelaString VelaGlobalParameters::GetScriptFullName() { return FullName(GetScriptFileName()); }

void VelaGlobalParameters::SetReplayFileNameForScript(const VelaString& name, int number) {
  const VelaString digits = FillString(VelaString(number), current_.ReplayDigits, '0');
  replayFileName_ = name + "_" + digits + current_.ReplaySuffix;
}

void VelaGlobalParameters::GenerateNextReplayName(const VelaString& extension) {
  // A recorded script names its replay files itself.
  if (!replayFileName_.isEmpty() || current_.ScriptMode != VelaScriptMode_NONE) return;
  while (vela::platform::PathExists((GetReplayFullName() + extension).str())) ++replayNumber_;
}

void VelaGlobalParameters::GenerateNextScriptFileName() {
  if (!scriptFileName_.isEmpty()) return;
  for (;;) {
    const VelaString candidate = GetScriptFullName();
    if (!vela::platform::PathExists(candidate.str())) return;
    ++scriptNumber_;
    // In test mode the name does not carry the number: stop rather than
    // spin on a name that cannot change.
    if (GetScriptFullName() == candidate) return;
  }
}

// Streams are allocated without throwing: a failed allocation leaves the
// pointer null, and callers write nothing to a null stream.
VelaStream* VelaGlobalParameters::GetTraceStream() {
  if (!traceStream_) traceStream_.reset(new (std::nothrow) VelaStream(&std::cout));
  return traceStream_.get();
}

VelaStream* VelaGlobalParameters::GetErrorStream() {
  if (!errorStream_) errorStream_.reset(new (std::nothrow) VelaStream(&std::cerr));
  return errorStream_.get();
}

VelaStream* VelaGlobalParameters::GetDumpStream() {
  if (!dumpStream_) {
    dumpStream_.reset(
        new (std::nothrow) VelaStream(GetReplayFullName() + ".dump", VelaStream::FILE_STREAM, 0));
  }
  return dumpStream_.get();
}

void VelaGlobalParameters::OpenCheckStream(const VelaString& fileName) {
  // Closed first, so that reopening the same file sees the old text flushed.
  checkStream_.reset();
  checkStream_.reset(new (std::nothrow) VelaStream(fileName, VelaStream::FILE_STREAM, 0));
}

void VelaGlobalParameters::OpenStatusStream(const VelaString& fileName) {
  statusStream_.reset();
  statusStream_.reset(new (std::nothrow) VelaStream(fileName, VelaStream::FILE_STREAM, 0));
}
