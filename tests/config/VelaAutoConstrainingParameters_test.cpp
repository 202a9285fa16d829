// Auto-constraining configuration: defaults, the keys of every type (exact
// "TRUE" flags, 16-bit lengths), re-initialisation, the out-of-range rules of
// the accessors and the singleton's one-time reading.
#include "vela/config/VelaAutoConstrainingParameters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <string>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/foundation/VelaEnvironment.h"

namespace {

using vela::test::ScopedProcessEnv;
using Params = VelaAutoConstrainingParameters;

// Written out here, so that a misspelt or misordered key in the library fails.
const char* const kTypes[] = {"Distance", "Angle",     "Parallelism",   "Perpendicularity", "Coincidence",
                              "Tangency", "Antitangency", "Radius",     "MajorRadius",      "MinorRadius",
                              "ApexAngle", "Concentricity", "Coaxiality", "MidPoint",       "Symmetry"};
VelaACType Type(int t) { return static_cast<VelaACType>(t); }

// Everything a caller can observe: "on=0 used=000... w=1,1,... def=1 len=1,1,...".
std::string State(const Params& p) {
  std::ostringstream used, weights, lengths;
  for (int t = 1; t <= 15; ++t) {
    used << int(p.GetConstraint(Type(t)));
    weights << p.GetWeight(Type(t)) << (t < 15 ? "," : "");
    lengths << p.GetPropagLength(Type(t)) << (t < 15 ? "," : "");
  }
  return "on=" + std::to_string(p.IsActivated()) + " used=" + used.str() + " w=" + weights.str() +
         " def=" + std::to_string(p.GetDefaultPropagLength()) + " len=" + lengths.str();
}
const std::string kOnes = "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1";
const std::string kLengths = " len=101,102,103,104,105,106,107,108,109,110,111,112,113,114,115";

Params FromEnv() {
  Params p;
  p.InitializeWithEnv();
  return p;
}

class AutoConstraining : public ::testing::Test {
  vela::test::ScopedConfigEnvironment environment_;  // no Vela... variable, no custom entry
  ScopedProcessEnv activation_{"VelAutoConstraining", nullptr};
};

TEST_F(AutoConstraining, EveryKeyReachesItsOwnTypeAndOnlyExactTrueCounts) {
  const std::string defaults = "on=0 used=000000000000000 w=" + kOnes + " def=1 len=" + kOnes;
  alignas(Params) unsigned char dirty[sizeof(Params)];  // construction sets every member
  std::memset(dirty, 0xFF, sizeof dirty);
  EXPECT_EQ(State(*new (dirty) Params) + State(FromEnv()), defaults + defaults);
  const char* const flags[] = {"TRUE", "true", "True", "1", "TRUE ", "YES"};
  for (int t = 1; t <= 15; ++t) {
    VelaSetEnv((std::string("VelaACP") + kTypes[t - 1]).c_str(), t % 3 == 0 ? "TRUE" : flags[t % 6]);
    VelaSetEnv((std::string("VelaACP") + kTypes[t - 1] + "Propag").c_str(), std::to_string(100 + t).c_str());
  }
  VelaSetEnv("VelaAutoConstraining", "TRUE");  // a look-alike of the activation key
  EXPECT_EQ(State(FromEnv()), "on=0 used=001001001001001 w=" + kOnes + " def=1" + kLengths);
  ScopedProcessEnv on("VelAutoConstraining", "TRUE"), def("VelaACPDefaultPropag", "3");
  ScopedProcessEnv hidden("VelaACPSymmetry", "");  // an empty process value hides the custom entry
  EXPECT_EQ(State(FromEnv()), "on=1 used=001001001001000 w=" + kOnes + " def=3" + kLengths);
}

TEST_F(AutoConstraining, LengthsAreAtoiCutTo16BitsAndUnsetKeysLeaveThem) {
  for (const char* value : {"70000 4464", "40000 -25536", "-70000 -4464", "32767 32767", "12abc 12", "abc 0"}) {
    const std::string text = value;
    ScopedProcessEnv angle("VelaACPAnglePropag", text.substr(0, text.find(' ')).c_str()),
        def("VelaACPDefaultPropag", text.substr(0, text.find(' ')).c_str());
    const Params p = FromEnv();
    const std::string cut = text.substr(text.find(' ') + 1);
    EXPECT_EQ(std::to_string(p.GetPropagLength(VelaACType::Angle)) + " " + std::to_string(p.GetDefaultPropagLength()) +
                  " " + std::to_string(p.GetPropagLength(VelaACType::Distance)), cut + " " + cut + " 1");
  }
  Params p;
  p.SetDefaultPropagLength(6), p.SetPropagLength(VelaACType::Angle, 7), p.SetWeight(VelaACType::Coaxiality, 0.25);
  p.SetUseAutoContrainingMode(1), p.SetConstraint(VelaACType::Radius, 1);
  for (const char* key : {"VelaACPDefaultPropag", "VelaACPCoaxiality", "VelaACPAnglePropag"}) VelaSetEnv(key, "2");
  VelaSetEnv("VelaACPDistance", "TRUE");
  ScopedProcessEnv empty("VelaACPAnglePropag", "");  // hides the custom entry and is not applied
  p.InitializeWithEnv();  // every flag assigned, lengths only from set keys, weights never
  EXPECT_EQ(State(p), "on=0 used=100000000000000 w=1,1,1,1,1,1,1,1,1,1,1,1,0.25,1,1 def=2 "
                      "len=1,7,1,1,1,1,1,1,1,1,1,1,1,1,1");
}

TEST(VelaAutoConstrainingParameters, OutOfRangeTypesReadAsSentinelsAndAreNeverWritten) {
  Params p;
  p.SetUseAutoContrainingMode(7);
  for (int t = 1; t <= 15; ++t) {
    p.SetConstraint(Type(t), static_cast<unsigned char>(t % 2 * 200));
    p.SetWeight(Type(t), 0.5 * t);
    p.SetPropagLength(Type(t), static_cast<short>(10 * t));
  }
  p.SetDefaultPropagLength(-3);
  for (int t : {-1, 0, 16, 1000}) {
    EXPECT_EQ(p.GetConstraint(Type(t)) + p.GetWeight(Type(t)) * 10 + p.GetPropagLength(Type(t)), -11.0) << t;
    p.SetConstraint(Type(t), 1), p.SetWeight(Type(t), 2.0), p.SetPropagLength(Type(t), 99);
  }
  const std::string state = "on=1 used=101010101010101 w=0.5,1,1.5,2,2.5,3,3.5,4,4.5,5,5.5,6,6.5,7,7.5 def=-3 "
                            "len=10,20,30,40,50,60,70,80,90,100,110,120,130,140,150";
  Params copy(p), assigned;
  assigned = p;
  p.SetWeight(Type(1), 9.0);
  EXPECT_EQ(State(copy) + State(assigned), state + state);
}

// The singleton reads the environment once, on creation, in a fresh process.
TEST_F(AutoConstraining, SingletonReadsTheEnvironmentOnceOnCreation) {
  ScopedProcessEnv on("VelAutoConstraining", "TRUE"), parallel("VelaACPParallelism", "TRUE");
  ScopedProcessEnv angle("VelaACPAnglePropag", "70000");
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Params& p = GetAutoConstrainingParameters();
        const std::string first = State(p);
        VelaSetEnv("VelaACPDistance", "TRUE");
        std::exit(&GetAutoConstrainingParameters() == &p && State(p) == first &&
                          first == "on=1 used=001000000000000 w=" + kOnes +
                                       " def=1 len=1,4464,1,1,1,1,1,1,1,1,1,1,1,1,1"
                      ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
