// The environment keys of the global parameters: each kind of key with an
// accepted value, a rejected value and an unset key, every key wired to its
// accessor, and the levels rule.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/EnvironmentModel.h"
#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaEnvironment.h"

namespace {

using vela::test::ScopedProcessEnv;
using P = VelaGlobalParameters;
using Getter = std::function<long long(const P&)>;

template <typename Get>
Getter Number(Get get) {
  return [get](const P& p) { return static_cast<long long>(get(p)); };
}
template <typename R>
Getter Member(R (P::*get)() const) {
  return [get](const P& p) { return static_cast<long long>((p.*get)()); };
}

struct Step {
  const char* value;  // null: the key is unset
  long long expected;
};

class VelaGlobalParametersEnv : public ::testing::Test {
 protected:
  VelaGlobalParametersEnv() {
    p_.Initialize();
    p_.InitializeEnv();
  }

  // Applies each value in turn with InitializeEnv and checks the member.
  void Expect(const char* key, const Getter& get, std::initializer_list<Step> steps) {
    for (const Step& step : steps) {
      ScopedProcessEnv value(key, step.value);
      p_.InitializeEnv();
      EXPECT_EQ(get(p_), step.expected) << key << "=" << (step.value ? step.value : "(unset)");
    }
  }

  vela::test::ScopedConfigEnvironment environment_;
  P p_;
};

// ---------------------------------------------------------------------------
// The kinds of key
// ---------------------------------------------------------------------------

// The keys of one kind, from the table shared with the environment fuzzer.
std::vector<const vela::test::ConfigKey*> KeysOf(vela::test::KeyKind kind) {
  std::vector<const vela::test::ConfigKey*> keys;
  for (const vela::test::ConfigKey& k : vela::test::ConfigKeys()) {
    if (k.kind == kind) keys.push_back(&k);
  }
  return keys;
}

TEST_F(VelaGlobalParametersEnv, BoolKeysTakeOnlyUpperCaseTrueAndFalse) {
  const auto keys = KeysOf(vela::test::KeyKind::kSwitch);
  EXPECT_EQ(keys.size(), 48u);
  for (const vela::test::ConfigKey* key : keys) {
    const vela::test::ConfigKey& k = *key;
    const long long flipped = !k.byDefault;
    Expect(k.key, k.get,
           {{nullptr, k.byDefault},
            {flipped ? "TRUE" : "FALSE", flipped},
            {flipped ? "true" : "false", flipped},  // rejected: the member stays
            {"1", flipped},
            {nullptr, flipped},
            {flipped ? "FALSE" : "TRUE", k.byDefault}});
  }
}

TEST_F(VelaGlobalParametersEnv, TrueTestKeysTurnOffOnAnyOtherText) {
  const auto keys = KeysOf(vela::test::KeyKind::kTrueTest);
  EXPECT_EQ(keys.size(), 5u);
  for (const vela::test::ConfigKey* key : keys) {
    const vela::test::ConfigKey& k = *key;
    Expect(k.key, k.get,
           {{nullptr, k.byDefault}, {"TRUE", 1}, {nullptr, 1}, {"true", 0}, {"TRUE", 1}, {"", 1},
            {"1", 0}, {nullptr, 0}});
  }
}

TEST_F(VelaGlobalParametersEnv, BoundedIntKeysIgnoreValuesOutOfRange) {
  const auto keys = KeysOf(vela::test::KeyKind::kBounded);
  EXPECT_EQ(keys.size(), 8u);
  for (const vela::test::ConfigKey* key : keys) {
    const vela::test::ConfigKey& k = *key;
    const long long largest = k.bound - 1;
    const std::string largestText = std::to_string(largest), boundText = std::to_string(k.bound);
    Expect(k.key, k.get,
           {{nullptr, k.byDefault}, {boundText.c_str(), k.byDefault},
            {"-1", k.byDefault},  // negative reads as a huge unsigned number
            {"99999999999", k.byDefault}, {largestText.c_str(), largest}, {nullptr, largest}, {" 1", 1},
            {"abc", 0}});  // not a number reads as 0, which is in range
  }
}

TEST_F(VelaGlobalParametersEnv, IntKeysStoreWhatAtoiReads) {
  const auto keys = KeysOf(vela::test::KeyKind::kNumber);
  EXPECT_EQ(keys.size(), 5u);
  for (const vela::test::ConfigKey* key : keys) {
    const vela::test::ConfigKey& k = *key;
    Expect(k.key, k.get,
           {{nullptr, k.byDefault}, {"-7", -7}, {nullptr, -7}, {"", -7}, {"12abc", 12}, {"  +5", 5},
            {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"abc", 0}});
  }
}

TEST_F(VelaGlobalParametersEnv, KeywordKeysStoreTheNumberOfAnExactMatch) {
  const auto keys = KeysOf(vela::test::KeyKind::kKeyword);
  EXPECT_EQ(keys.size(), 17u);
  for (const vela::test::ConfigKey* key : keys) {
    const vela::test::ConfigKey& k = *key;
    Expect(k.key, k.get, {{nullptr, k.byDefault}});
    for (const auto& [keyword, number] : k.keywords) {
      std::string lower = keyword;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::string longer = std::string(keyword) + " ";
      Expect(k.key, k.get,
             {{keyword, number}, {lower.c_str(), number}, {longer.c_str(), number},
              {"1", number}, {nullptr, number}});
    }
  }
}

TEST_F(VelaGlobalParametersEnv, StringKeysStoreTheTextAsIs) {
  const struct {
    const char* key;
    const VelaString& (*get)(const P&);
  } keys[] = {
      {"VelaReplayPath", [](const P& p) -> const VelaString& { return p.GetReplayPath(); }},
      {"VelaReplayPrefix",
       [](const P& p) -> const VelaString& { return p.GetCurrentValues().ReplayPrefix; }},
      {"VelaInputPath", [](const P& p) -> const VelaString& { return p.GetInputPath(); }},
      {"VelaOutputFile",
       [](const P& p) -> const VelaString& { return p.GetCurrentValues().OutputFile; }},
  };
  const struct {
    const char* value;  // null: unset
    const char* expected;
  } steps[] = {{nullptr, ""}, {" C:\\r x ", " C:\\r x "}, {"", " C:\\r x "},
               {nullptr, " C:\\r x "}, {"second", "second"}};
  for (const auto& k : keys) {
    for (const auto& step : steps) {
      ScopedProcessEnv value(k.key, step.value);
      p_.InitializeEnv();
      EXPECT_EQ(std::string(k.get(p_).str()), step.expected)
          << k.key << "=" << (step.value ? step.value : "(unset)");
    }
  }
}

TEST_F(VelaGlobalParametersEnv, AlwaysAppliedThreadNumberResetsWhenUnset) {
  p_.SetThreadNumber(4);
  Expect("VelaThreadNumber", Member(&P::GetThreadNumber),
         {{nullptr, 0}, {"6", 6}, {"x", 0}, {"6", 6}, {"", 0}});
}

TEST_F(VelaGlobalParametersEnv, InternalKeysAcceptRejectAndResetWithTheModeOpen) {
  ScopedProcessEnv code("VelaUseSystemConstants", vela::test::TodaysInternalModeCode().c_str());
  p_.Initialize();
  // Always applied: an unset key turns the plug mode off.
  p_.SetReplayPlugMode(1);
  Expect("VelaReplayPlugMode", Member(&P::IsReplayPlugMode),
         {{nullptr, 0}, {"TRUE", 1}, {"yes", 0}, {"TRUE", 1}, {nullptr, 0}});
  Expect("VelaCheckMode", Member(&P::GetCheckMode),
         {{nullptr, 0}, {"TRUE", 1}, {nullptr, 1}, {"on", 0}});
  const Getter initial = Number([](const P& p) { return p.GetCurrentValues().InitialTraceLevel; });
  Expect("VelaTraceLevel", Member(&P::GetTraceLevel),
         {{nullptr, 0}, {"6", 6}, {nullptr, 6}, {"x", 0}, {"-2", -2}});
  EXPECT_EQ(initial(p_), -2);
  Expect("VelaReplayMethod", Number([](const P& p) { return p.GetReplayMethod().len(); }),
         {{nullptr, 0}, {"GrS", 3}, {nullptr, 3}, {"FULL", 4}});
}

TEST_F(VelaGlobalParametersEnv, CustomEntriesCountAndTheProcessEnvironmentWins) {
  VelaSetEnv("VelaPrecision", "5");
  VelaSetEnv("VelaUseGS", "FALSE");
  p_.InitializeEnv();
  EXPECT_EQ(p_.GetPrecision(), 5);
  EXPECT_EQ(p_.IsUseGS(), 0);
  ScopedProcessEnv process("VelaPrecision", "7");
  p_.InitializeEnv();
  EXPECT_EQ(p_.GetPrecision(), 7);
}

// Random custom entries of every kind, re-read again and again into one
// configuration, against the model of each kind (the environment fuzzer runs
// the same sequence on its input).
TEST_F(VelaGlobalParametersEnv, RandomEntriesMatchTheModelOfTheirKind) {
  for (unsigned seed : {1u, 2u, 3u}) {
    vela::test::SeededChoices choices(seed);
    EXPECT_EQ(vela::test::RunConfigSequence(choices, 400), "") << "seed " << seed;
  }
}

// ---------------------------------------------------------------------------
// Levels
// ---------------------------------------------------------------------------

struct Levels {
  unsigned int level;
  unsigned int hf;
  bool operator==(const Levels& o) const { return level == o.level && hf == o.hf; }
};
std::ostream& operator<<(std::ostream& os, const Levels& l) {
  return os << "(" << l.level << ", " << l.hf << ")";
}

class VelaGlobalParametersLevels : public VelaGlobalParametersEnv {
 protected:
  // Applies the three level keys (null: unset) and returns the levels.
  Levels Apply(const char* level, const char* hf, const char* reset = nullptr) {
    ScopedProcessEnv l("VelaLevel", level);
    ScopedProcessEnv h("VelaHFLevel", hf);
    ScopedProcessEnv r("KORCX_MEMORY", reset);
    p_.InitializeEnv();
    const unsigned int word = p_.GetCurrentValues().Levels;
    EXPECT_EQ(p_.GetVelFullOpenConfigurationLevel(), word);
    return {word >> 16, word & 0xFFFFu};
  }
};

// Each row applies its keys to the levels the previous rows left.
TEST_F(VelaGlobalParametersLevels, LevelOnlyLowersAndHFLevelFollowsALoweredLevel) {
  const struct {
    const char* level;
    const char* hf;
    const char* reset;
    Levels expected;
  } rows[] = {
      {"1000", nullptr, nullptr, {751, 0}},
      {"-1", nullptr, nullptr, {751, 0}},
      {nullptr, "7", nullptr, {751, 0}},  // min(7, 0)
      {"751", "7", nullptr, {751, 0}},    // equal is not lowered
      {"500", "7", nullptr, {500, 7}},
      {nullptr, "9", nullptr, {500, 7}},  // min(9, 7)
      {"500", "9", nullptr, {500, 7}},    // 500 is not lower than 500
      {"700", nullptr, nullptr, {500, 7}},
      {nullptr, "3", nullptr, {500, 3}},
      {nullptr, "-1", nullptr, {500, 3}},  // unsigned: huge
      {"400", "70000", nullptr, {400, 70000u & 0xFFFFu}},
      {"300", nullptr, nullptr, {300, 70000u & 0xFFFFu}},
      // The reset keyword applies after the other keys, in any case.
      {"200", "7", "LEVELBSF", {200, 7}},
      {nullptr, nullptr, "levelbsf ", {200, 7}},
      {"100", "9", "levelbsf", {751, 0}},
      {"abc", nullptr, nullptr, {0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.level ? row.level : "-") + " " + (row.hf ? row.hf : "-"));
    EXPECT_EQ(Apply(row.level, row.hf, row.reset), row.expected);
  }
}

}  // namespace
