// VelaOperator outside Run(): the base operations, the registry of operator
// types, time measurement and the time table.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/operator/VelaOperator.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ScopedConfigEnvironment;
using vela::test::ScopedProcessEnv;

class PlainOperator : public VelaOperator {
 public:
  int RunOperator() override { return 0; }
  VelaString GetOperatorName() const override { return "VelaPlainOperator"; }
  VelaString GetOperatorShortName() const override { return "Pln"; }
  void Remove() override {}
  OperatorInfo& Info() { return GetOperatorInfo(); }
  unsigned char Filter(int iMask) const { return FilterReplay(iMask); }

 protected:
  OperatorInfo& GetOperatorInfo() override {
    static OperatorInfo info("VelaPlainOperator", "Pln", nullptr);
    return info;
  }
};

class SecondOperator : public PlainOperator {
 protected:
  OperatorInfo& GetOperatorInfo() override {
    static OperatorInfo info("VelaSecondOperator", "Snd", nullptr);
    return info;
  }
};

std::string Text(const VelaStream& s) {
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// Every test starts from the default configuration and leaves it so.
class OperatorBase : public ::testing::Test {
 protected:
  void SetUp() override { GetGlobalParameters().Initialize(); }
  void TearDown() override {
    GetGlobalParameters().Initialize();
    GetGlobalParameters().InitializeEnv();
  }
  ScopedConfigEnvironment env_;
};

TEST_F(OperatorBase, BaseOperationsAreNeutral) {
  PlainOperator op;
  EXPECT_EQ(op.GetVelLevel(), 0xFFFFFFFFu);
  EXPECT_EQ(op.GetTime(), 0);
  EXPECT_EQ(op.GetVersionOfStream(), 0);
  EXPECT_EQ(op.Filter(0xFF), 0);
  VelaStream checks;
  EXPECT_EQ(op.CheckInput(checks), 1);
  EXPECT_EQ(op.CheckOutput(checks), 1);
  EXPECT_EQ(Text(checks), "");
  op.SetVelLevel(0x00010002u);
  EXPECT_EQ(op.GetVelLevel(), 0x00010002u);
  op.SetTime(12);
  EXPECT_EQ(op.GetTime(), 12);
}

TEST_F(OperatorBase, SectionHeadersOfTheBase) {
  PlainOperator op;
  VelaStream input;
  op.WriteInput(input);
  EXPECT_EQ(Text(input), "#VelaPlainOperator\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\n");
  VelaStream output;
  op.WriteOutput(output);
  EXPECT_EQ(Text(output), "#=======Output=======\n");
}

TEST_F(OperatorBase, RegistryPushesNewestFirstAndCopiesStayOut) {
  PlainOperator first;
  SecondOperator second;
  VelaOperator::OperatorInfo& a = first.Info();
  VelaOperator::OperatorInfo& b = second.Info();
  // Both are reachable, the later-created one first.
  int posA = -1, posB = -1, pos = 0;
  for (VelaOperator::OperatorInfo* i = VelaOperator::_pFirst; i; i = i->next, ++pos) {
    if (i == &a) posA = pos;
    if (i == &b) posB = pos;
  }
  ASSERT_GE(posA, 0);
  ASSERT_GE(posB, 0);
  EXPECT_LT(posB, posA);
  EXPECT_EQ(a.name, "VelaPlainOperator");
  EXPECT_EQ(a.id, "Pln");
  EXPECT_EQ(a.extension, nullptr);

  VelaOperator::OperatorInfo* head = VelaOperator::_pFirst;
  VelaOperator::OperatorInfo copy(b);
  EXPECT_EQ(VelaOperator::_pFirst, head);
  EXPECT_EQ(copy.next, b.next);
  EXPECT_EQ(copy.id, "Snd");
  VelaOperator::AddNewOperator(nullptr);
  EXPECT_EQ(VelaOperator::_pFirst, head);
}

TEST_F(OperatorBase, ElapsedTimesTableFormatAndReset) {
  PlainOperator first;
  SecondOperator second;
  VelaStream sink;
  VelaOperator::PrintElapsedTimes(&sink);  // empties every entry
  VelaOperator::PrintElapsedTimes(nullptr);

  first.Info().time = 150000;  // 1.5 s
  first.Info().calls = 3;
  second.Info().time = 50000;
  second.Info().calls = 1;
  GetGlobalParameters().SetRunCount(5);
  VelaStream table;
  VelaOperator::PrintElapsedTimes(&table);

  std::string expected = "\nId  Call      Time      %%\n";
  for (const VelaOperator::OperatorInfo* i = VelaOperator::_pFirst; i; i = i->next) {
    expected += i->id.str();
    if (i == &first.Info()) expected += "      3          1.5000        75.00";
    if (i == &second.Info()) expected += "      1          0.5000        25.00";
    expected += "\n";
    EXPECT_EQ(i->time, 0);
    EXPECT_EQ(i->calls, 0);
  }
  expected += "        5          2.0000\n";
  EXPECT_EQ(Text(table), expected);
}

TEST_F(OperatorBase, ElapsedTimesWithCallsButNoTimeShowZeroShare) {
  PlainOperator op;
  VelaStream sink;
  VelaOperator::PrintElapsedTimes(&sink);
  op.Info().calls = 2;
  VelaStream table;
  VelaOperator::PrintElapsedTimes(&table);
  EXPECT_NE(Text(table).find("\nPln      2          0.0000        0.00\n"), std::string::npos);
  EXPECT_NE(Text(table).find("\n        0          0.0000\n"), std::string::npos);
}

TEST_F(OperatorBase, MeasuredTimeGoesToOperatorAndTotal) {
  PlainOperator op;
  const long totalBefore = VelaOperator::_sTotal;
  {
    AutoMeasureTime off(&op);  // MeasureTime is off: nothing is measured
  }
  EXPECT_EQ(op.GetTime(), 0);
  EXPECT_EQ(VelaOperator::_sTotal, totalBefore);

  GetGlobalParameters().SetMeasureTime(1);
  {
    AutoMeasureTime on(&op);
    AutoMeasureTime none(nullptr);
  }
  EXPECT_GE(op.GetTime(), 0);
  EXPECT_EQ(VelaOperator::_sTotal - totalBefore, op.GetTime());
}

TEST_F(OperatorBase, NestedMeasureAndLostTimeAreNotCountedTwice) {
  PlainOperator outer;
  PlainOperator inner;
  VelaGlobalParameters& gp = GetGlobalParameters();
  outer.BeginMeasureTime();
  inner.BeginMeasureTime();
  inner.EndMeasureTime();
  // Lost time charged meanwhile is taken off the outer operator's time.
  gp.SetLostTime(gp.GetLostTime() + 1000000);
  outer.EndMeasureTime();
  EXPECT_LT(outer.GetTime(), 0);
}

TEST_F(OperatorBase, FixTimeAddsOwnTimeUnlessParallel) {
  PlainOperator op;
  VelaStream sink;
  VelaOperator::PrintElapsedTimes(&sink);
  op.SetTime(40);
  op.FixTime();
  EXPECT_EQ(op.Info().time, 40);
  {
    ScopedProcessEnv parallel("VelaParallelMode", "2");
    GetGlobalParameters().InitializeEnv();
    op.FixTime();
  }
  EXPECT_EQ(op.Info().time, 40);
  VelaOperator::PrintElapsedTimes(&sink);
}

}  // namespace
