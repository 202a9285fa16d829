// VelaOperator: construction, the base virtual operations, the registry of
// operator types and the measurement of an operator's own time.
#include "vela/operator/VelaOperator.h"

#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/streams/VelaStream.h"

VelaOperator::OperatorInfo* VelaOperator::_pFirst = nullptr;
long VelaOperator::_sTotal = 0;

// ---- Registry -----------------------------------------------------------

VelaOperator::OperatorInfo::OperatorInfo(const VelaString& iName, const VelaString& iId,
                                         const char* iExtension)
    : name(iName), id(iId), extension(iExtension), next(nullptr), time(0), calls(0) {
  AddNewOperator(this);
}

void VelaOperator::AddNewOperator(OperatorInfo* iInfo) {
  if (!iInfo) return;
  iInfo->next = _pFirst;
  _pFirst = iInfo;
}

// ---- Construction and base operations -----------------------------------

VelaOperator::VelaOperator() { GetGlobalParameters().InitializeFPU(); }

VelaOperator::~VelaOperator() = default;

void VelaOperator::InitWithEnv() {}

void VelaOperator::SetInterrupt(VelaInterruptInterface* iInterrupt) { interrupt_ = iInterrupt; }

unsigned char VelaOperator::FilterReplay(int) const { return 0; }

int VelaOperator::GetVersionOfStream() const { return 0; }

unsigned char VelaOperator::CheckInput(VelaStream&) const { return 1; }

unsigned char VelaOperator::CheckOutput(VelaStream&) const { return 1; }

void VelaOperator::WriteInput(VelaStream& iStream) const {
  iStream.WriteHeader(GetOperatorName(), GetVersionOfStream(), level_);
}

void VelaOperator::WriteOutput(VelaStream& iStream) const {
  iStream << chLineComment << chOutputSeparator << "\n";
}

void VelaOperator::SetVelLevel(unsigned int iLevel) { level_ = iLevel; }

// ---- Time measurement ---------------------------------------------------

void VelaOperator::BeginMeasureTime() const {
  startClock_ = VelaClock();
  startTotal_ = _sTotal;
  startLost_ = GetGlobalParameters().GetLostTime();
}

void VelaOperator::EndMeasureTime() const {
  // Nested measured operators added their own time to _sTotal and the
  // bookkeeping added to the lost time meanwhile: neither is ours.
  const long nested = _sTotal - startTotal_;
  const long lost = GetGlobalParameters().GetLostTime() - startLost_;
  const long own = (VelaClock() - startClock_) - nested - lost;
  _sTotal += own;
  time_ += own;
}

void VelaOperator::FixTime() {
  if (GetGlobalParameters().GetParallelMode() == 0) GetOperatorInfo().time += time_;
}

AutoMeasureTime::AutoMeasureTime(const VelaOperator* iOperator) : operator_(iOperator) {
  if (operator_ && GetGlobalParameters().IsMeasureTime()) operator_->BeginMeasureTime();
}

AutoMeasureTime::~AutoMeasureTime() {
  if (operator_ && GetGlobalParameters().IsMeasureTime()) operator_->EndMeasureTime();
}
