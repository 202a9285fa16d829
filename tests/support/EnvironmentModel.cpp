#include "support/EnvironmentModel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <sstream>

#include "vela/foundation/VelaEnvironment.h"
#include "vela/streams/VelaStream.h"

namespace vela::test {
namespace {

using P = VelaGlobalParameters;
using A = VelaAutoConstrainingParameters;
using Words = std::vector<std::pair<const char*, int>>;

// Each key is "Vela" and the name of the member its accessor reads.
#define VELA_KEY(kind, get, member, byDefault, bound, ...) \
  {"Vela" #member, KeyKind::kind, [](const P& p, const A&) -> long long { return p.get; }, byDefault, bound, __VA_ARGS__}
#define SW(m, d) VELA_KEY(kSwitch, Is##m(), m, d, 0, {})
#define TT(g, m, d) VELA_KEY(kTrueTest, g##m(), m, d, 0, {})
#define BD(m, d, b) VELA_KEY(kBounded, Get##m(), m, d, b, {})
#define NB(m, d) VELA_KEY(kNumber, Get##m(), m, d, 0, {})
#define KW(m, d, ...) VELA_KEY(kKeyword, GetCurrentValues().m, m, d, 0, Words{__VA_ARGS__})

std::vector<ConfigKey> MakeConfigKeys() {
  const Words details = {{"NONE", 0}, {"SINGLE", 1}, {"FULL", 2}};
  std::vector<ConfigKey> keys = {
      SW(UseGS, 1), SW(UseGD, 1), SW(UseIMOnly, 0), SW(UseRROnly, 0), SW(UseNonHR, 1), SW(UseHRFormalDOF, 1),
      SW(UseNonHRTwoRS, 1), SW(UseNonHRThreeRS, 0), SW(UseNonHGD, 1), SW(UseFixationPreprocess, 1),
      SW(UseTO, 1), SW(KeepPtPtLnDiChirality, 1), SW(UseCMDOFRR, 0), SW(UseAD, 1), SW(UseER, 1),
      SW(UseRRTransformationsForSpline, 1), SW(UseSplineDifferentiation, 1), SW(ESUseGradient, 1),
      SW(ESUseLevenbergMarquardt, 1), SW(UseNewtonDomainCorrection, 1), SW(ExactElliptic, 1),
      SW(ExactEllipticDeriv, 1), SW(UseDefaultEEGradient, 0), SW(UseDSEnergyCorrection, 1),
      SW(UseSketchPlanes, 0), SW(UseDisCurveSmoothing, 0), SW(UseMUCPriorities, 0), SW(UseFullMUCVU, 0),
      SW(UseIKVU, 0), SW(PrintSubtotal, 0), SW(UseGSForGlobalRedundancy, 0), SW(UseGDForGlobalRedundancy, 0),
      SW(AssertDeprecatedAPI, 0), SW(ReadableOptions, 1), SW(WriteOldOptionsMode, 0), SW(UseOldST, 0),
      SW(UseCoordinatesInSM, 1), SW(UseUpdateForSMComputeState, 0), SW(UseGDForAutoDim, 1),
      SW(AlignementOverwriting, 0), SW(PrintVersion, 1), SW(NewVelReplayChiralitiesVersion, 1),
      SW(ReadAllChiralities, 1), SW(ForceWriteInputMode, 0), SW(ProfileAutoTrimForced, 0),
      SW(MUCOnWelldefinedObjects, 0), SW(JavascriptDebug, 0), SW(ForceReStream, 0),
      TT(Is, ValidateMUC, 1), TT(Is, ValidateDiagnostics, 0), TT(Get, ReferenceMode, 0),
      TT(Get, GenerateStatus, 0), TT(Is, MeasureTime, 0),
      BD(GDMethods, 30, 128), BD(ADOMode, 20, 32), BD(MUCMode, 206, 256), BD(RRMode, 1, 524288),
      BD(IMMode, 0, 4), BD(DiagOptions, 15, 32), BD(ESLinearMethod, 2, 8), BD(ParallelMode, 0, 8),
      NB(ReplayDigits, 0), NB(ScaleFactor, 1), NB(Precision, 3), NB(ReplaySolverModeMask, 0), NB(ReplayMode, 0),
      VELA_KEY(kAlways, GetThreadNumber(), ThreadNumber, 0, 0, {}),
      KW(HRTwoRSMode, 2, {"SATISFIED", 0}, {"SOLVE", 1}, {"SOLVE3D", 2}),
      KW(HRThreeRSMode, 1, {"SATISFIED", 0}, {"SOLVE", 1}),
      KW(DecompIMMode, 1, {"ADIMRS", 0}, {"ADIM3Specs", 1}), KW(ADMode, 1, {"HARD", 0}, {"SOFT", 1}),
      KW(DOFSpaceMethod, 2, {"SVD", 0}, {"GAUSS", 1}, {"REF", 2}), KW(REFOrder, 0, {"ROWS", 0}, {"COLUMNS", 1}),
      KW(PureNewtonMethod, 1, {"SVD", 0}, {"REF", 1}), KW(RelaxationMode, 1, {"NONE", 0}, {"QUAD", 1}, {"ALL", 2}),
      KW(PriorityOrientations, 1, {"NONE", 0}, {"WEAK", 1}, {"STRONG", 2}),
      KW(InterferenceMode, 0, {"NONE", 0}, {"NOMOVE", 1}, {"STOP", 2}, {"PUSH", 3}),
      VELA_KEY(kKeyword, GetSMScriptMode(), SMScriptMode, 0, 0, details),
      VELA_KEY(kKeyword, GetCSScriptMode(), CSScriptMode, 0, 0, details),
      KW(ScriptMode, 2, {"FULL", 0}, {"SIMPLE", 1}, {"NONE", 2}),
      KW(ValidateMode, 0, {"COMPARE", 0}, {"VALIDATE", 1}, {"REGRESS", 2}, {"SIMPLECOMPARE", 3}, {"NONE", 4}),
      KW(AssertMode, 0, {"NONE", 0}, {"TRACE", 1}, {"ASSERT", 2}, {"BREAK", 3}, {"LOOP", 4}),
      KW(RoundMode, 0, {"NEAR", 0}, {"UP", 1}, {"DOWN", 2}, {"TRUNC", 3}),
      KW(PrecMode, 1, {"SINGLE", 0}, {"DOUBLE", 1}, {"HIGH", 2}),
  };
  // Written out here, so that a misspelt or misordered key in the library fails.
  const char* const types[] = {"Distance", "Angle", "Parallelism", "Perpendicularity", "Coincidence", "Tangency",
                               "Antitangency", "Radius", "MajorRadius", "MinorRadius", "ApexAngle", "Concentricity",
                               "Coaxiality", "MidPoint", "Symmetry"};
  const auto add = [&keys](const std::string& key, KeyKind kind, int byDefault,
                           std::function<long long(const A&)> get) {
    keys.push_back({key, kind, [get](const P&, const A& a) { return get(a); }, byDefault, 70000, {}, true});
  };
  add("VelAutoConstraining", KeyKind::kFlag, 0, [](const A& a) { return a.IsActivated(); });
  add("VelaACPDefaultPropag", KeyKind::kShort, 1, [](const A& a) { return a.GetDefaultPropagLength(); });
  for (int t = 1; t <= 15; ++t) {
    const auto type = static_cast<VelaACType>(t);
    add(std::string("VelaACP") + types[t - 1], KeyKind::kFlag, 0, [type](const A& a) { return a.GetConstraint(type); });
    add(std::string("VelaACP") + types[t - 1] + "Propag", KeyKind::kShort, 1,
        [type](const A& a) { return a.GetPropagLength(type); });
  }
  return keys;
}

// atoi, except that a number beyond the int range reads as the nearest limit.
int SaturatingAtoi(const std::string& text) {
  return static_cast<int>(std::clamp<long long>(std::strtoll(text.c_str(), nullptr, 10), INT_MIN, INT_MAX));
}

// The member after InitializeEnv, with `value` the key's text (null when
// unset) and `previous` the member before.
long long ExpectedAfter(const ConfigKey& key, const char* value, long long previous) {
  const bool cleared = key.kind == KeyKind::kAlways || key.kind == KeyKind::kFlag;  // by an unset or empty key
  if (value == nullptr || *value == '\0') return cleared ? 0 : previous;
  const std::string text = value;
  const long long number = SaturatingAtoi(text);
  switch (key.kind) {
    case KeyKind::kSwitch: return text == "TRUE" ? 1 : text == "FALSE" ? 0 : previous;
    case KeyKind::kTrueTest:
    case KeyKind::kFlag: return text == "TRUE" ? 1 : 0;
    case KeyKind::kBounded: return number >= 0 && number < key.bound ? number : previous;
    case KeyKind::kShort: return static_cast<short>(static_cast<std::uint16_t>(number));
    case KeyKind::kKeyword:
      for (const auto& [word, n] : key.keywords) {
        if (text == word) return n;
      }
      return previous;
    default: return number;
  }
}

// The printed section and every lookup against the list.
std::string CheckEnvironment(const std::vector<std::pair<std::string, std::string>>& model,
                             const std::vector<std::string>& names) {
  VelaStream section;
  VelaPrintEnvSection(section);
  std::string expected = model.empty() ? "" : "#!ENVIRONMENT\n\n";
  for (const auto& [n, v] : model) expected += n + "=" + v + ";\n";
  if (static_cast<std::stringstream*>(section.GetStream())->str() != expected + (model.empty() ? "" : "\n")) {
    return "the printed section differs";
  }
  for (const std::string& name : names) {
    auto it = std::find_if(model.begin(), model.end(), [&](const auto& e) { return e.first == name; });
    const std::string want = it == model.end() ? "" : it->second, got = VelaGetEnv(name.c_str()).str();
    const double f = VelaGetEnvF(name.c_str()), atof = want.empty() ? 0.0 : std::atof(want.c_str());
    if (got != want || VelaGetEnvI(name.c_str()) != SaturatingAtoi(want) ||
        !(f == atof || (std::isnan(f) && std::isnan(atof)))) {
      return "a lookup of " + name + " (\"" + got + "\") differs from \"" + want + "\"";
    }
  }
  return "";
}

}  // namespace

std::string RunEnvironmentSequence(Choices& c, const std::vector<std::string>& names,
                                   const std::vector<std::string>& values, int steps) {
  VelaFlushEnv();
  std::vector<std::pair<std::string, std::string>> model;  // newest first
  std::string failure;
  for (int step = 0; step < steps && failure.empty() && !c.Exhausted(); ++step) {
    const std::string &name = names[c.Pick(names.size())], &value = values[c.Pick(values.size())];
    const std::size_t op = c.Pick(10);
    auto found = std::find_if(model.begin(), model.end(), [&](const auto& e) { return e.first == name; });
    if (op < 6) {  // an empty name or value sets nothing; a known name keeps its place
      VelaSetEnv(name.c_str(), value.c_str());
      if (!name.empty() && !value.empty() && found != model.end()) found->second = value;
      if (!name.empty() && !value.empty() && found == model.end()) model.insert(model.begin(), {name, value});
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

ConfigState::ConfigState() : entries(ConfigKeys().size()) {
  VelaFlushEnv();
  p.Initialize();
  p.InitializeEnv();
  acp.InitializeWithEnv();
  for (const ConfigKey& k : ConfigKeys()) expected.push_back(k.byDefault);
}

std::string ConfigState::Apply(std::size_t key, const char* value) {
  const std::vector<ConfigKey>& keys = ConfigKeys();
  value ? VelaSetEnv(keys[key].key.c_str(), value) : VelaUnsetEnv(keys[key].key.c_str());
  if (value == nullptr || *value != '\0') entries[key] = value ? value : "";  // an empty value sets nothing
  p.InitializeEnv();
  acp.InitializeWithEnv();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    expected[i] = ExpectedAfter(keys[i], entries[i].c_str(), expected[i]);
    if (keys[i].get(p, acp) != expected[i]) {
      return keys[i].key + "=\"" + entries[i] + "\" gave " + std::to_string(keys[i].get(p, acp));
    }
  }
  return "";
}

}  // namespace vela::test
