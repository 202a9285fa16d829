#include "support/EnvironmentModel.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "vela/foundation/VelaEnvironment.h"
#include "vela/streams/VelaStream.h"

namespace vela::test {
namespace {

using P = VelaGlobalParameters;
using Entries = std::vector<std::pair<std::string, std::string>>;  // newest first

template <typename R>
std::function<long long(const P&)> Member(R (P::*get)() const) {
  return [get](const P& p) { return static_cast<long long>((p.*get)()); };
}
template <typename Get>
std::function<long long(const P&)> Number(Get get) {
  return [get](const P& p) { return static_cast<long long>(get(p)); };
}

ConfigKey Switch(const char* key, unsigned char (P::*get)() const, int byDefault) {
  return {key, KeyKind::kSwitch, Member(get), byDefault, 0, {}};
}
ConfigKey TrueTest(const char* key, unsigned char (P::*get)() const, int byDefault) {
  return {key, KeyKind::kTrueTest, Member(get), byDefault, 0, {}};
}
template <typename R>
ConfigKey Bounded(const char* key, R (P::*get)() const, int byDefault, long long bound) {
  return {key, KeyKind::kBounded, Member(get), byDefault, bound, {}};
}
ConfigKey Integer(const char* key, int (P::*get)() const, int byDefault, KeyKind kind = KeyKind::kNumber) {
  return {key, kind, Member(get), byDefault, 0, {}};
}
template <typename R>
ConfigKey Keyword(const char* key, R (P::*get)() const, int byDefault,
                  std::vector<std::pair<const char*, int>> keywords) {
  return {key, KeyKind::kKeyword, Member(get), byDefault, 0, std::move(keywords)};
}

std::vector<ConfigKey> MakeConfigKeys() {
  const std::vector<std::pair<const char*, int>> scriptDetail = {{"NONE", 0}, {"SINGLE", 1}, {"FULL", 2}};
  std::vector<ConfigKey> keys = {
      Switch("VelaUseGS", &P::IsUseGS, 1), Switch("VelaUseGD", &P::IsUseGD, 1),
      Switch("VelaUseIMOnly", &P::IsUseIMOnly, 0), Switch("VelaUseRROnly", &P::IsUseRROnly, 0),
      Switch("VelaUseNonHR", &P::IsUseNonHR, 1), Switch("VelaUseHRFormalDOF", &P::IsUseHRFormalDOF, 1),
      Switch("VelaUseNonHRTwoRS", &P::IsUseNonHRTwoRS, 1), Switch("VelaUseNonHRThreeRS", &P::IsUseNonHRThreeRS, 0),
      Switch("VelaUseNonHGD", &P::IsUseNonHGD, 1),
      Switch("VelaUseFixationPreprocess", &P::IsUseFixationPreprocess, 1), Switch("VelaUseTO", &P::IsUseTO, 1),
      Switch("VelaKeepPtPtLnDiChirality", &P::IsKeepPtPtLnDiChirality, 1),
      Switch("VelaUseCMDOFRR", &P::IsUseCMDOFRR, 0), Switch("VelaUseAD", &P::IsUseAD, 1),
      Switch("VelaUseER", &P::IsUseER, 1),
      Switch("VelaUseRRTransformationsForSpline", &P::IsUseRRTransformationsForSpline, 1),
      Switch("VelaUseSplineDifferentiation", &P::IsUseSplineDifferentiation, 1),
      Switch("VelaESUseGradient", &P::IsESUseGradient, 1),
      Switch("VelaESUseLevenbergMarquardt", &P::IsESUseLevenbergMarquardt, 1),
      Switch("VelaUseNewtonDomainCorrection", &P::IsUseNewtonDomainCorrection, 1),
      Switch("VelaExactElliptic", &P::IsExactElliptic, 1),
      Switch("VelaExactEllipticDeriv", &P::IsExactEllipticDeriv, 1),
      Switch("VelaUseDefaultEEGradient", &P::IsUseDefaultEEGradient, 0),
      Switch("VelaUseDSEnergyCorrection", &P::IsUseDSEnergyCorrection, 1),
      Switch("VelaUseSketchPlanes", &P::IsUseSketchPlanes, 0),
      Switch("VelaUseDisCurveSmoothing", &P::IsUseDisCurveSmoothing, 0),
      Switch("VelaUseMUCPriorities", &P::IsUseMUCPriorities, 0), Switch("VelaUseFullMUCVU", &P::IsUseFullMUCVU, 0),
      Switch("VelaUseIKVU", &P::IsUseIKVU, 0), Switch("VelaPrintSubtotal", &P::IsPrintSubtotal, 0),
      Switch("VelaUseGSForGlobalRedundancy", &P::IsUseGSForGlobalRedundancy, 0),
      Switch("VelaUseGDForGlobalRedundancy", &P::IsUseGDForGlobalRedundancy, 0),
      Switch("VelaAssertDeprecatedAPI", &P::IsAssertDeprecatedAPI, 0),
      Switch("VelaReadableOptions", &P::IsReadableOptions, 1),
      Switch("VelaWriteOldOptionsMode", &P::IsWriteOldOptionsMode, 0), Switch("VelaUseOldST", &P::IsUseOldST, 0),
      Switch("VelaUseCoordinatesInSM", &P::IsUseCoordinatesInSM, 1),
      Switch("VelaUseUpdateForSMComputeState", &P::IsUseUpdateForSMComputeState, 0),
      Switch("VelaUseGDForAutoDim", &P::IsUseGDForAutoDim, 1),
      Switch("VelaAlignementOverwriting", &P::IsAlignementOverwriting, 0),
      Switch("VelaPrintVersion", &P::IsPrintVersion, 1),
      Switch("VelaNewVelReplayChiralitiesVersion", &P::IsNewVelReplayChiralitiesVersion, 1),
      Switch("VelaReadAllChiralities", &P::IsReadAllChiralities, 1),
      Switch("VelaForceWriteInputMode", &P::IsForceWriteInputMode, 0),
      Switch("VelaProfileAutoTrimForced", &P::IsProfileAutoTrimForced, 0),
      Switch("VelaMUCOnWelldefinedObjects", &P::IsMUCOnWelldefinedObjects, 0),
      Switch("VelaJavascriptDebug", &P::IsJavascriptDebug, 0), Switch("VelaForceReStream", &P::IsForceReStream, 0),
      TrueTest("VelaValidateMUC", &P::IsValidateMUC, 1),
      TrueTest("VelaValidateDiagnostics", &P::IsValidateDiagnostics, 0),
      TrueTest("VelaReferenceMode", &P::GetReferenceMode, 0),
      TrueTest("VelaGenerateStatus", &P::GetGenerateStatus, 0), TrueTest("VelaMeasureTime", &P::IsMeasureTime, 0),
      Bounded("VelaGDMethods", &P::GetGDMethods, 30, 128), Bounded("VelaADOMode", &P::GetADOMode, 20, 32),
      Bounded("VelaMUCMode", &P::GetMUCMode, 206, 256), Bounded("VelaRRMode", &P::GetRRMode, 1, 524288),
      Bounded("VelaIMMode", &P::GetIMMode, 0, 4), Bounded("VelaDiagOptions", &P::GetDiagOptions, 15, 32),
      Bounded("VelaESLinearMethod", &P::GetESLinearMethod, 2, 8),
      Bounded("VelaParallelMode", &P::GetParallelMode, 0, 8),
      Integer("VelaReplayDigits", &P::GetReplayDigits, 0), Integer("VelaScaleFactor", &P::GetScaleFactor, 1),
      Integer("VelaPrecision", &P::GetPrecision, 3),
      Integer("VelaReplaySolverModeMask", &P::GetReplaySolverModeMask, 0),
      Integer("VelaReplayMode", &P::GetReplayMode, 0),
      Integer("VelaThreadNumber", &P::GetThreadNumber, 0, KeyKind::kAlways),
      Keyword("VelaHRTwoRSMode", &P::GetHRTwoRSMode, 2, {{"SATISFIED", 0}, {"SOLVE", 1}, {"SOLVE3D", 2}}),
      Keyword("VelaHRThreeRSMode", &P::GetHRThreeRSMode, 1, {{"SATISFIED", 0}, {"SOLVE", 1}}),
      Keyword("VelaDecompIMMode", &P::GetDecompIMMode, 1, {{"ADIMRS", 0}, {"ADIM3Specs", 1}}),
      Keyword("VelaADMode", &P::GetADMode, 1, {{"HARD", 0}, {"SOFT", 1}}),
      Keyword("VelaDOFSpaceMethod", &P::GetDOFSpaceMethod, 2, {{"SVD", 0}, {"GAUSS", 1}, {"REF", 2}}),
      Keyword("VelaREFOrder", &P::GetREFOrder, 0, {{"ROWS", 0}, {"COLUMNS", 1}}),
      Keyword("VelaPureNewtonMethod", &P::GetPureNewtonMethod, 1, {{"SVD", 0}, {"REF", 1}}),
      Keyword("VelaRelaxationMode", &P::GetRelaxationMode, 1, {{"NONE", 0}, {"QUAD", 1}, {"ALL", 2}}),
      Keyword("VelaPriorityOrientations", &P::GetPriorityOrientations, 1, {{"NONE", 0}, {"WEAK", 1}, {"STRONG", 2}}),
      Keyword("VelaInterferenceMode", &P::GetInterferenceMode, 0,
              {{"NONE", 0}, {"NOMOVE", 1}, {"STOP", 2}, {"PUSH", 3}}),
      Keyword("VelaSMScriptMode", &P::GetSMScriptMode, 0, scriptDetail),
      Keyword("VelaCSScriptMode", &P::GetCSScriptMode, 0, scriptDetail),
      Keyword("VelaScriptMode", &P::GetScriptMode, 2, {{"FULL", 0}, {"SIMPLE", 1}, {"NONE", 2}}),
      Keyword("VelaValidateMode", &P::GetValidateMode, 0,
              {{"COMPARE", 0}, {"VALIDATE", 1}, {"REGRESS", 2}, {"SIMPLECOMPARE", 3}, {"NONE", 4}}),
      Keyword("VelaAssertMode", &P::GetAssertMode, 0,
              {{"NONE", 0}, {"TRACE", 1}, {"ASSERT", 2}, {"BREAK", 3}, {"LOOP", 4}}),
  };
  const auto roundMode = Number([](const P& p) { return p.GetCurrentValues().RoundMode; });
  const auto precMode = Number([](const P& p) { return p.GetCurrentValues().PrecMode; });
  keys.push_back(
      {"VelaRoundMode", KeyKind::kKeyword, roundMode, 0, 0, {{"NEAR", 0}, {"UP", 1}, {"DOWN", 2}, {"TRUNC", 3}}});
  keys.push_back({"VelaPrecMode", KeyKind::kKeyword, precMode, 1, 0, {{"SINGLE", 0}, {"DOUBLE", 1}, {"HIGH", 2}}});
  return keys;
}

std::string Section() {
  VelaStream s;
  VelaPrintEnvSection(s);
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

bool SameDouble(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// The printed section and every lookup against the list.
std::string CheckEnvironment(const Entries& model, const std::vector<std::string>& names) {
  std::string expected;
  if (!model.empty()) {
    expected = "#!ENVIRONMENT\n\n";
    for (const auto& [n, v] : model) expected += n + "=" + v + ";\n";
    expected += "\n";
  }
  if (Section() != expected) return "the printed section differs";
  for (const std::string& name : names) {
    std::string want;
    for (auto it = model.rbegin(); it != model.rend(); ++it) {
      if (it->first == name) want = it->second;
    }
    const std::string got = VelaGetEnv(name.c_str()).str();
    if (got != want) return "VelaGetEnv(" + name + ") gave \"" + got + "\", expected \"" + want + "\"";
    const int number = VelaGetEnvI(name.c_str());
    if (number != SaturatingAtoi(want)) {
      return "VelaGetEnvI of \"" + want + "\" gave " + std::to_string(number) + ", expected " +
             std::to_string(SaturatingAtoi(want));
    }
    if (!SameDouble(VelaGetEnvF(name.c_str()), want.empty() ? 0.0 : std::atof(want.c_str()))) {
      return "VelaGetEnvF of \"" + want + "\" differs from atof";
    }
  }
  return "";
}

// Accepted, rejected and out-of-range values of every kind.
const char* const kValues[] = {"TRUE", "FALSE", "true", "", "0", "1", "-1", " 7", "+5", "12abc", "abc",
                               "127", "128", "524287", "524288", "2147483647", "2147483648", "-2147483649",
                               "4294967423", "99999999999", "-99999999999", "SOLVE", "NONE", "COLUMNS",
                               "ADIM3Specs", "TRUNC", "none"};

std::string RandomValue(Choices& c) {
  const std::size_t n = sizeof kValues / sizeof kValues[0];
  const std::size_t k = c.Pick(n + 1);
  if (k < n) return kValues[k];
  std::string text;
  for (std::size_t length = c.Pick(24); length > 0; --length) {
    const char ch = static_cast<char>(c.Pick(255) + 1);  // no zero byte: the value is a C string
    text += ch;
  }
  return text;
}

}  // namespace

int SaturatingAtoi(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) != nullptr && text[i] != '\0') ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), 1LL << 32);
  }
  const long long value = negative ? -magnitude : magnitude;
  return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

std::string RunEnvironmentSequence(Choices& c, const std::vector<std::string>& names,
                                   const std::vector<std::string>& values, int steps) {
  VelaFlushEnv();
  Entries model;
  std::string failure;
  for (int step = 0; step < steps && failure.empty() && !c.Exhausted(); ++step) {
    const std::string& name = names[c.Pick(names.size())];
    const std::string& value = values[c.Pick(values.size())];
    const std::size_t op = c.Pick(10);
    auto found = model.begin();
    while (found != model.end() && found->first != name) ++found;
    if (op < 6) {
      VelaSetEnv(name.c_str(), value.c_str());
      if (!name.empty() && !value.empty()) {
        if (found != model.end()) {
          found->second = value;
        } else {
          model.insert(model.begin(), {name, value});
        }
      }
    } else if (op < 9) {
      VelaUnsetEnv(name.c_str());
      if (found != model.end()) model.erase(found);
    } else if (c.Pick(8) == 0) {
      VelaFlushEnv();
      model.clear();
    }
    failure = CheckEnvironment(model, names);
    if (!failure.empty()) failure = "step " + std::to_string(step) + ": " + failure;
  }
  VelaFlushEnv();
  return failure;
}

const std::vector<ConfigKey>& ConfigKeys() {
  static const std::vector<ConfigKey> keys = MakeConfigKeys();
  return keys;
}

long long ExpectedAfter(const ConfigKey& key, const char* value, long long previous) {
  if (value == nullptr || *value == '\0') return key.kind == KeyKind::kAlways ? 0 : previous;
  const std::string text = value;
  switch (key.kind) {
    case KeyKind::kSwitch:
      return text == "TRUE" ? 1 : text == "FALSE" ? 0 : previous;
    case KeyKind::kTrueTest:
      return text == "TRUE" ? 1 : 0;
    case KeyKind::kBounded: {
      const long long number = SaturatingAtoi(text);
      return number >= 0 && number < key.bound ? number : previous;
    }
    case KeyKind::kKeyword:
      for (const auto& [word, number] : key.keywords) {
        if (text == word) return number;
      }
      return previous;
    default:
      return SaturatingAtoi(text);
  }
}

std::string RunConfigSequence(Choices& c, int steps) {
  const std::vector<ConfigKey>& keys = ConfigKeys();
  VelaFlushEnv();
  P p;
  p.Initialize();
  p.InitializeEnv();
  std::vector<long long> expected;
  std::vector<std::string> set(keys.size());  // the custom value of each key ("" unset)
  for (const ConfigKey& k : keys) expected.push_back(k.byDefault);
  std::string failure;
  for (int step = 0; step <= steps && failure.empty(); ++step) {
    if (step == steps || c.Exhausted() || c.Pick(4) == 0) {
      p.InitializeEnv();
      for (std::size_t i = 0; i < keys.size() && failure.empty(); ++i) {
        expected[i] = ExpectedAfter(keys[i], set[i].c_str(), expected[i]);
        if (keys[i].get(p) != expected[i]) {
          failure = std::string(keys[i].key) + "=\"" + set[i] + "\" gave " + std::to_string(keys[i].get(p)) +
                    ", expected " + std::to_string(expected[i]);
        }
      }
      if (c.Exhausted()) break;
      continue;
    }
    const std::size_t i = c.Pick(keys.size());
    if (c.Chance(80)) {
      const std::string value = RandomValue(c);
      VelaSetEnv(keys[i].key, value.c_str());
      if (!value.empty()) set[i] = value;  // an empty value sets nothing
    } else {
      set[i].clear();
      VelaUnsetEnv(keys[i].key);
    }
  }
  VelaFlushEnv();
  return failure;
}

}  // namespace vela::test
