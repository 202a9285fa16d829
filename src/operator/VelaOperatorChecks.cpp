// VelaOperator::Run(): the check report, the status report and the time
// table.
//
// Check report lines start with as many blanks as the check indentation
// (velsetw writes them at once), so nested runs appear 2 columns further in
// than their parent. The verdicts are written but never stop the run.
#include <ios>
#include <istream>

#include "operator/OperatorRun.h"
#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaEnvironment.h"

namespace vela::detail {

namespace {

// Neither fixed nor scientific: the operator's own check text starts from
// the default notation.
void ClearFloatNotation(VelaStream& iStream) {
  if (std::iostream* s = iStream.GetStream()) s->unsetf(std::ios::floatfield);
}

double Seconds(long iTicks) {
  return static_cast<double>(iTicks) / static_cast<double>(VelaClockPerSec());
}

const char* Verdict(unsigned char iOk) { return iOk ? "OK" : "KO"; }

}  // namespace

void OperatorRun::StatusLines(const char* iTitle, const char* iWhat, const char* iVerdict) {
  *status << iTitle << velendl << "   CheckUp(" << iWhat << ") : " << iVerdict << velendl
          << "succeeded." << velendl << velendl;
}

void OperatorRun::CheckInputStep() {
  const bool topLevel = gp.GetNestingLevel() == 0;
  if (topLevel) gp.OpenCheckStream(baseName + ".cio");
  check = gp.GetCheckStream();
  if (!check) return;

  VelaStream& out = *check;
  ClearFloatNotation(out);
  const int indent = gp.GetCheckIndent();
  if (traceOn) TraceLine("CI", "):");
  if (topLevel) VelaPrintEnv(out);
  out << velsetw(indent) << "CI for " << shortName << ": (" << runNumber << ")" << velendl;
  const unsigned int level = op.GetVelLevel();
  out << velsetw(indent) << " Vel level = " << (level >> 16);
  if ((level & 0xFFFFu) != 0) out << " hf" << (level & 0xFFFFu);
  out << velendl;
  const char* verdict = Verdict(op.CheckInput(out));
  out << velsetw(indent) << "CI for " << shortName << ": " << verdict << velendl;
  gp.IncCheckIndent();
  out.Flush();
  if (traceOn) TraceResult("CI", verdict);
  if (status) StatusLines("CheckInput : ", "Input", verdict);
}

void OperatorRun::CheckOutputStep() {
  VelaStream& out = *check;
  const int indent = gp.DecCheckIndent();
  out << velsetw(indent) << "RO for " << shortName << " returned " << result << velendl;
  if (measure) {
    out << velsetfixedfloatfield() << velsetprecision(4) << velsetw(indent) << "RO for "
        << shortName << " spent " << Seconds(cpu) << " sec" << velendl;
  }
  if (traceOn) TraceLine("CO", "):");
  out << velsetw(indent) << "CO for " << shortName << ":" << " (" << runNumber << ")" << velendl;
  ClearFloatNotation(out);
  const char* verdict = Verdict(op.CheckOutput(out));
  out << velsetw(indent) << "CO for " << shortName << ": " << verdict << velendl << velendl;
  out.Flush();
  if (traceOn) TraceResult("CO", verdict);
  if (status) StatusLines("CheckOutput : ", "Output", verdict);
}

void OperatorRun::FinishCheck() {
  const bool topLevel = gp.GetNestingLevel() == 0;
  if (measure && topLevel) {
    VelaStream& out = *check;
    const int indent = gp.GetCheckIndent();
    out << velsetfixedfloatfield() << velsetprecision(4);
    out << velsetw(indent) << "Spent time: " << Seconds(gp.GetSpentTime()) << " sec" << velendl;
    out << velsetw(indent) << "Lost time:  " << Seconds(gp.GetLostTime()) << " sec" << velendl;
    out.Flush();
    // The table empties every entry, this type's included, once printed;
    // what earlier runs of this object took was in their tables already.
    op.GetOperatorInfo().time += op.GetTime() - timeBefore;
    VelaOperator::PrintElapsedTimes(check);
  }
  if (topLevel) gp.CloseCheckStream();
}

}  // namespace vela::detail

void VelaOperator::PrintElapsedTimes(VelaStream* iStream) {
  if (!iStream) return;
  VelaStream& out = *iStream;
  long total = 0;
  for (const OperatorInfo* info = _pFirst; info; info = info->next) total += info->time;

  out << velendl << "Id  Call      Time      %%" << velendl << velsetfixedfloatfield();
  for (OperatorInfo* info = _pFirst; info; info = info->next) {
    out << info->id;
    if (info->calls != 0) {
      const double share =
          total == 0 ? 0.0 : static_cast<double>(info->time) * 100.0 / static_cast<double>(total);
      out << velsetw(6) << info->calls << velsetw(10) << velsetprecision(4)
          << vela::detail::Seconds(info->time) << velsetw(8) << velsetprecision(2) << share;
    }
    out << velendl;
    info->time = 0;
    info->calls = 0;
  }
  out << velsetw(8) << GetGlobalParameters().GetRunCount() << velsetw(10) << velsetprecision(4)
      << vela::detail::Seconds(total) << velendl;
}
