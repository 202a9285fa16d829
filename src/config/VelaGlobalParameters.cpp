// VelaGlobalParameters: the singleton, its lifecycle and run-time state.
#include "vela/config/VelaGlobalParameters.h"

#include "config/GlobalParameterKeys.h"
#include "platform/PlatformFloatingPoint.h"

VelaGlobalParameters::VelaGlobalParameters() = default;

VelaGlobalParameters::VelaGlobalParameters(const VelaGlobalParameters& other) {
  CopyValuesFrom(other);
}

VelaGlobalParameters& VelaGlobalParameters::operator=(const VelaGlobalParameters& other) {
  if (this != &other) CopyValuesFrom(other);
  return *this;
}

VelaGlobalParameters::~VelaGlobalParameters() = default;

// Everything but the streams: a stream belongs to the object that opened it.
void VelaGlobalParameters::CopyValuesFrom(const VelaGlobalParameters& other) {
  effectiveLevels_ = other.effectiveLevels_;
  effectiveReplayMode_ = other.effectiveReplayMode_;
  replayNumber_ = other.replayNumber_;
  replayFileName_ = other.replayFileName_;
  generatedReplayFileName_ = other.generatedReplayFileName_;
  mdlrFileName_ = other.mdlrFileName_;
  scriptNumber_ = other.scriptNumber_;
  scriptFileName_ = other.scriptFileName_;
  spentTime_ = other.spentTime_;
  lostTime_ = other.lostTime_;
  runCount_ = other.runCount_;
  nestingLevel_ = other.nestingLevel_;
  testMode_ = other.testMode_;
  diagNotRun_ = other.diagNotRun_;
  current_ = other.current_;
  saved_ = other.saved_;
  checkIndent_ = other.checkIndent_;
  icIndent_ = other.icIndent_;
}

void VelaGlobalParameters::RefreshEffectiveCopies() {
  effectiveLevels_ = current_.Levels;
  effectiveReplayMode_ = current_.ReplayMode;
}

void VelaGlobalParameters::Initialize() {
  current_.Initialize();
  RefreshEffectiveCopies();
  replayNumber_ = 1;
  scriptNumber_ = 1;
  checkIndent_ = 0;
  icIndent_ = 0;
  checkStream_.reset();
  spentTime_ = 0;
  lostTime_ = 0;
  runCount_ = 0;
  nestingLevel_ = 0;
  testMode_ = 0;
  diagNotRun_ = 0;
}

void VelaGlobalParameters::InitializeEnv() {
  current_.InitializeEnv();
  RefreshEffectiveCopies();
}

void VelaGlobalParameters::InitializeFPU() {
  vela::platform::RoundingMode rounding = vela::platform::RoundingMode::Nearest;
  if (vela::detail::RoundingFor(current_.RoundMode, rounding)) {
    vela::platform::SetRoundingMode(rounding);
  }
}

void VelaGlobalParameters::Save() { saved_ = current_; }

void VelaGlobalParameters::Restore() {
  current_ = saved_;
  effectiveLevels_ = current_.Levels;
}

void VelaGlobalParameters::SetCheckMode(unsigned char on) {
  if (current_.InternalMode) current_.CheckMode = on;
}

void VelaGlobalParameters::SetGenerateStatus(unsigned char on) {
  if (current_.InternalMode) current_.GenerateStatus = on;
}

void VelaGlobalParameters::SetReplayMethod(const VelaString& method) {
  if (current_.InternalMode) current_.ReplayMethod = method;
}

void VelaGlobalParameters::SetReplayPlugMode(unsigned char on) {
  if (current_.InternalMode) current_.ReplayPlugMode = on;
}

void VelaGlobalParameters::SetTraceLevel(int level) {
  if (current_.InternalMode) current_.TraceLevel = level;
}

void VelaGlobalParameters::SetRunCount(int count) {
  runCount_ = count;
  if (count == 0) {
    spentTime_ = 0;
    lostTime_ = 0;
  }
}

// Wider steps near the margin keep nested diagnostics readable, narrower
// ones deeper down keep them on the page.
int VelaGlobalParameters::IncICIndent() { return icIndent_ += icIndent_ < 10 ? 3 : 2; }
int VelaGlobalParameters::DecICIndent() { return icIndent_ -= icIndent_ < 13 ? 3 : 2; }

void VelaGlobalParameters::FlushReplayMode() {
  effectiveReplayMode_ = current_.ReplayMode;
  current_.ReplayMode = 0;
}

VelaGlobalParameters& GetGlobalParameters() {
  // Created on first use and never destroyed: operators and diagnostics may
  // still reach it while other static objects are being torn down.
  static VelaGlobalParameters* const instance = [] {
    auto* parameters = new VelaGlobalParameters();
    parameters->Initialize();
    parameters->InitializeEnv();
    parameters->InitializeFPU();
    return parameters;
  }();
  return *instance;
}
