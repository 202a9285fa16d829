// Auto-constraining configuration: defaults, the environment keys of each
// kind (exact "TRUE" flags, 16-bit lengths), re-initialisation, the
// out-of-range rules of the accessors and the singleton's one-time reading.
#include "vela/config/VelaAutoConstrainingParameters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"
#include "vela/foundation/VelaEnvironment.h"

namespace {

using vela::test::ScopedProcessEnv;
using Params = VelaAutoConstrainingParameters;

constexpr int kTypes = 15;

// Written out here rather than taken from the library, so a misspelt or
// misordered key there fails.
const char* const kTypeNames[kTypes] = {
    "Distance",  "Angle",         "Parallelism", "Perpendicularity", "Coincidence",
    "Tangency",  "Antitangency",  "Radius",      "MajorRadius",      "MinorRadius",
    "ApexAngle", "Concentricity", "Coaxiality",  "MidPoint",         "Symmetry",
};
const char* const kActivation = "VelAutoConstraining";
const char* const kDefaultPropag = "VelaACPDefaultPropag";

std::string UsedKey(int t) { return std::string("VelaACP") + kTypeNames[t - 1]; }
std::string PropagKey(int t) { return UsedKey(t) + "Propag"; }

VelaACType Type(int t) { return static_cast<VelaACType>(t); }

std::vector<std::string> AllKeys() {
  std::vector<std::string> keys = {kActivation, kDefaultPropag,
                                   "VelaAutoConstraining"};  // the look-alike that must be ignored
  for (int t = 1; t <= kTypes; ++t) {
    keys.push_back(UsedKey(t));
    keys.push_back(PropagKey(t));
  }
  return keys;
}

// Everything a caller can observe, in one comparable text:
// "on=0 used=000... w=1,1,... def=1 len=1,1,...".
std::string State(const Params& p) {
  std::ostringstream out;
  out << "on=" << int(p.IsActivated()) << " used=";
  for (int t = 1; t <= kTypes; ++t) out << int(p.GetConstraint(Type(t)));
  out << " w=";
  for (int t = 1; t <= kTypes; ++t) out << p.GetWeight(Type(t)) << (t < kTypes ? "," : "");
  out << " def=" << p.GetDefaultPropagLength() << " len=";
  for (int t = 1; t <= kTypes; ++t) out << p.GetPropagLength(Type(t)) << (t < kTypes ? "," : "");
  return out.str();
}

const std::string kDefaultState =
    "on=0 used=000000000000000 w=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1 def=1 "
    "len=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1";

// Every key absent from the process environment and the custom table while a
// test runs; the previous process values come back afterwards.
class AutoConstrainingEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& key : AllKeys()) {
      unset_.push_back(std::make_unique<ScopedProcessEnv>(key.c_str(), nullptr));
      VelaUnsetEnv(key.c_str());
    }
  }
  void TearDown() override {
    for (const std::string& key : AllKeys()) VelaUnsetEnv(key.c_str());
  }

  static Params FromEnv() {
    Params p;
    p.InitializeWithEnv();
    return p;
  }

 private:
  std::vector<std::unique_ptr<ScopedProcessEnv>> unset_;
};

TEST_F(AutoConstrainingEnv, ConstructionAndEmptyEnvironmentGiveDefaults) {
  EXPECT_EQ(State(Params()), kDefaultState);
  EXPECT_EQ(State(FromEnv()), kDefaultState);
}

TEST_F(AutoConstrainingEnv, FlagKeysNeedExactlyUpperCaseTrue) {
  const std::vector<std::pair<const char*, int>> cases = {
      {"TRUE", 1}, {"true", 0}, {"True", 0}, {"1", 0}, {"TRUE ", 0}, {"YES", 0}};
  for (const auto& [value, expected] : cases) {
    ScopedProcessEnv on(kActivation, value);
    ScopedProcessEnv radius("VelaACPRadius", value);
    const Params p = FromEnv();
    EXPECT_EQ(p.IsActivated(), expected) << value;
    EXPECT_EQ(p.GetConstraint(VelaACType::Radius), expected) << value;
  }
  // A custom entry counts like a process variable, unless an empty process
  // value hides it; the Vela-prefixed spelling of the activation key is not it.
  VelaSetEnv(kActivation, "TRUE");
  VelaSetEnv("VelaACPRadius", "TRUE");
  EXPECT_EQ(FromEnv().IsActivated(), 1);
  ScopedProcessEnv empty("VelaACPRadius", "");
  EXPECT_EQ(FromEnv().GetConstraint(VelaACType::Radius), 0);
  VelaUnsetEnv(kActivation);
  VelaSetEnv("VelaAutoConstraining", "TRUE");
  EXPECT_EQ(FromEnv().IsActivated(), 0);
}

TEST_F(AutoConstrainingEnv, EachUsedTypeKeyTurnsOnItsOwnTypeOnly) {
  for (int t = 1; t <= kTypes; ++t) {
    VelaSetEnv(UsedKey(t).c_str(), "TRUE");
    const Params p = FromEnv();
    for (int u = 1; u <= kTypes; ++u) {
      EXPECT_EQ(p.GetConstraint(Type(u)), u == t ? 1 : 0) << UsedKey(t);
    }
    EXPECT_EQ(p.IsActivated(), 0);
    VelaUnsetEnv(UsedKey(t).c_str());
  }
}

TEST_F(AutoConstrainingEnv, ReinitialisingOverwritesEveryFlagButKeepsLengthsAndWeights) {
  for (int t = 1; t <= kTypes; ++t) VelaSetEnv(UsedKey(t).c_str(), "TRUE");
  VelaSetEnv(kActivation, "TRUE");
  Params p;
  p.InitializeWithEnv();
  EXPECT_EQ(State(p),
            "on=1 used=111111111111111 w=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1 def=1 "
            "len=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1");
  p.SetWeight(VelaACType::Angle, 2.5);
  p.SetPropagLength(VelaACType::Symmetry, 9);
  p.SetDefaultPropagLength(4);
  for (const std::string& key : AllKeys()) VelaUnsetEnv(key.c_str());
  VelaSetEnv("VelaACPSymmetry", "TRUE");
  p.InitializeWithEnv();
  EXPECT_EQ(State(p),
            "on=0 used=000000000000001 w=1,2.5,1,1,1,1,1,1,1,1,1,1,1,1,1 def=4 "
            "len=1,1,1,1,1,1,1,1,1,1,1,1,1,1,9");
}

TEST_F(AutoConstrainingEnv, EachLengthKeySetsItsOwnTypeAndDefaultKeyOnlyTheDefault) {
  ScopedProcessEnv def(kDefaultPropag, "3");
  const Params defaultOnly = FromEnv();
  EXPECT_EQ(defaultOnly.GetDefaultPropagLength(), 3);
  for (int t = 1; t <= kTypes; ++t) EXPECT_EQ(defaultOnly.GetPropagLength(Type(t)), 1) << t;
  for (int t = 1; t <= kTypes; ++t) VelaSetEnv(PropagKey(t).c_str(), VelaString(100 + t));
  const Params p = FromEnv();
  EXPECT_EQ(p.GetDefaultPropagLength(), 3);
  for (int t = 1; t <= kTypes; ++t) EXPECT_EQ(p.GetPropagLength(Type(t)), 100 + t) << t;
}

TEST_F(AutoConstrainingEnv, LengthValuesAreAtoiCutTo16Bits) {
  const std::vector<std::pair<const char*, short>> cases = {
      {"70000", 4464},   {"65536", 0},   {"40000", -25536}, {"-7", -7},  {"-70000", -4464},
      {"32767", 32767},  {"12abc", 12},  {"abc", 0},        {" 5", 5},   {"0", 0}};
  for (const auto& [value, expected] : cases) {
    ScopedProcessEnv angle("VelaACPAnglePropag", value);
    ScopedProcessEnv def(kDefaultPropag, value);
    const Params p = FromEnv();
    EXPECT_EQ(p.GetPropagLength(VelaACType::Angle), expected) << value;
    EXPECT_EQ(p.GetDefaultPropagLength(), expected) << value;
    EXPECT_EQ(p.GetPropagLength(VelaACType::Distance), 1) << value;
  }
}

TEST_F(AutoConstrainingEnv, UnsetOrEmptyLengthKeyLeavesTheLengthAlone) {
  Params p;
  p.SetDefaultPropagLength(6);
  p.SetPropagLength(VelaACType::Angle, 7);
  p.InitializeWithEnv();
  EXPECT_EQ(p.GetDefaultPropagLength(), 6);
  // The empty process value wins over the custom entry, and is not applied.
  VelaSetEnv("VelaACPAnglePropag", "5");
  ScopedProcessEnv empty("VelaACPAnglePropag", "");
  p.InitializeWithEnv();
  EXPECT_EQ(p.GetPropagLength(VelaACType::Angle), 7);
}

TEST_F(AutoConstrainingEnv, WeightsAreNeverReadFromTheEnvironment) {
  for (const std::string& key : AllKeys()) VelaSetEnv(key.c_str(), "2");
  Params p;
  p.SetWeight(VelaACType::Coaxiality, 0.25);
  p.InitializeWithEnv();
  for (int t = 1; t <= kTypes; ++t) {
    EXPECT_EQ(p.GetWeight(Type(t)), t == 13 ? 0.25 : 1.0) << t;
  }
}

TEST(VelaAutoConstrainingParameters, OutOfRangeTypesReadAsSentinelsAndAreNeverWritten) {
  Params p;
  p.SetUseAutoContrainingMode(1);
  for (int t = 1; t <= kTypes; ++t) {
    p.SetConstraint(Type(t), t % 2);
    p.SetWeight(Type(t), 0.5 * t);
    p.SetPropagLength(Type(t), static_cast<short>(10 * t));
  }
  p.SetDefaultPropagLength(-3);
  const std::string before = State(p);
  for (int t : {-1, 0, 16, 17, 1000}) {
    EXPECT_EQ(p.GetConstraint(Type(t)), 0) << t;
    EXPECT_EQ(p.GetWeight(Type(t)), -1.0) << t;
    EXPECT_EQ(p.GetPropagLength(Type(t)), -1) << t;
    p.SetConstraint(Type(t), 1);
    p.SetWeight(Type(t), 2.0);
    p.SetPropagLength(Type(t), 99);
  }
  EXPECT_EQ(State(p), before);
  EXPECT_EQ(before,
            "on=1 used=101010101010101 w=0.5,1,1.5,2,2.5,3,3.5,4,4.5,5,5.5,6,6.5,7,7.5 def=-3 "
            "len=10,20,30,40,50,60,70,80,90,100,110,120,130,140,150");
}

TEST(VelaAutoConstrainingParameters, FlagSettersStoreZeroOrOne) {
  Params p;
  p.SetUseAutoContrainingMode(7);
  p.SetConstraint(VelaACType::MidPoint, 200);
  EXPECT_EQ(p.IsActivated(), 1);
  EXPECT_EQ(p.GetConstraint(VelaACType::MidPoint), 1);
  p.SetUseAutoContrainingMode(0);
  p.SetConstraint(VelaACType::MidPoint, 0);
  EXPECT_EQ(State(p), kDefaultState);
}

TEST(VelaAutoConstrainingParameters, CopiesAndMovesAreMemberWiseAndIndependent) {
  Params a;
  a.SetUseAutoContrainingMode(1);
  a.SetConstraint(VelaACType::Tangency, 1);
  a.SetWeight(VelaACType::ApexAngle, 3.5);
  a.SetPropagLength(VelaACType::Coincidence, -2);
  a.SetDefaultPropagLength(8);
  const std::string state = State(a);
  Params b;
  b = a;
  EXPECT_EQ(State(b), state);
  b.SetWeight(VelaACType::ApexAngle, 1.0);
  EXPECT_EQ(State(a), state);
  Params c(std::move(a));
  EXPECT_EQ(State(c), state);
  Params d(c);
  EXPECT_EQ(State(d), state);
}

TEST_F(AutoConstrainingEnv, RecordsInitialiseOnlyTheirOwnPart) {
  VelaSetEnv("VelaACPTangency", "TRUE");
  VelaSetEnv(kDefaultPropag, "5");
  VelaSetEnv("VelaACPSymmetryPropag", "6");
  Params::UsedConstraintTypes used;
  used.flags[0] = true;
  used.InitializeWithEnv();
  for (int i = 0; i < kTypes; ++i) EXPECT_EQ(used.flags[i], i == 5) << i;
  Params::ACPropagationLength lengths(2);
  static_assert(sizeof(lengths.lengths) == 16 * sizeof(short), "default plus one per type");
  lengths.InitializeWithEnv();
  EXPECT_EQ(lengths.lengths[0], 5);
  EXPECT_EQ(lengths.lengths[1], 2);
  EXPECT_EQ(lengths.lengths[14], 2);
  EXPECT_EQ(lengths.lengths[15], 6);
  const Params::ConstraintWeight weights;
  for (double w : weights.values) EXPECT_EQ(w, 1.0);
}

// The death-test style is process-wide: put back whatever the suite had.
class ThreadsafeDeathTests {
 public:
  ThreadsafeDeathTests() : previous_(GTEST_FLAG_GET(death_test_style)) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }
  ~ThreadsafeDeathTests() { GTEST_FLAG_SET(death_test_style, previous_); }
  ThreadsafeDeathTests(const ThreadsafeDeathTests&) = delete;
  ThreadsafeDeathTests& operator=(const ThreadsafeDeathTests&) = delete;

 private:
  std::string previous_;
};

// The singleton must be created in the test's own process, so these run in a
// re-executed child ("threadsafe" style) where nothing has touched it yet.
// The child reports mismatches on stderr and through its exit code.
int CheckFreshSingleton(const std::string& expected) {
  Params& p = GetAutoConstrainingParameters();
  const std::string first = State(p);
  // Read once only: later environment changes are not seen.
  VelaSetEnv("VelaACPDistance", "TRUE");
  VelaSetEnv("VelaACPMinorRadiusPropag", "44");
  Params& again = GetAutoConstrainingParameters();
  const std::string second = State(again);
  int failures = 0;
  if (first != expected) {
    std::fprintf(stderr, "first call: %s\n", first.c_str());
    ++failures;
  }
  if (&again != &p || second != first) {
    std::fprintf(stderr, "second call: %s\n", second.c_str());
    ++failures;
  }
  return failures;
}

TEST_F(AutoConstrainingEnv, SingletonFromEmptyEnvironmentHasDefaults) {
  ThreadsafeDeathTests style;
  EXPECT_EXIT(std::exit(CheckFreshSingleton(kDefaultState)), ::testing::ExitedWithCode(0), "");
}

TEST_F(AutoConstrainingEnv, SingletonReadsTheEnvironmentOnceOnCreation) {
  ThreadsafeDeathTests style;
  ScopedProcessEnv on(kActivation, "TRUE");
  ScopedProcessEnv parallel("VelaACPParallelism", "TRUE");
  ScopedProcessEnv def(kDefaultPropag, "3");
  ScopedProcessEnv angle("VelaACPAnglePropag", "70000");
  const std::string expected =
      "on=1 used=001000000000000 w=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1 def=3 "
      "len=1,4464,1,1,1,1,1,1,1,1,1,1,1,1,1";
  EXPECT_EXIT(std::exit(CheckFreshSingleton(expected)), ::testing::ExitedWithCode(0), "");
}

}  // namespace
