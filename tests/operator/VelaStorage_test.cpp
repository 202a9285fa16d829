// VelaStorage and the stream's replay layout: the section store's rules
// (order, duplicates, current part and index, level-6 trace) and the exact
// text of headers, section lists and part separators.
#include "vela/operator/VelaStorage.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::test::ReadFile;
using vela::test::ScopedInternalMode;
using vela::test::TempPath;

std::string Text(const VelaStream& s) {
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// Runs `body` with the trace stream (over std::cout) sending into a buffer.
template <typename Body>
std::string Traced(Body body) {
  std::ostringstream buffer;
  std::streambuf* previous = std::cout.rdbuf(buffer.rdbuf());
  body();
  std::cout.rdbuf(previous);
  return buffer.str();
}

std::string Names(const VelaStorage& storage) {
  std::string names;
  for (const VelaStorage::Section* s = storage.GetFirstSection(); s != nullptr; s = s->next) {
    names += std::string(s->name.str()) + ":" + std::to_string(s->part) + ":" +
             std::to_string(s->index) + " ";
  }
  return names;
}

// ---------------------------------------------------------------------------
// The store
// ---------------------------------------------------------------------------

TEST(VelaStorage, StartsEmptyOnInputIndexZero) {
  VelaStorage storage;
  EXPECT_EQ(storage.GetFirstSection(), nullptr);
  EXPECT_EQ(storage.GetCurrentPart(), VelaStorage::INPUT);
  EXPECT_EQ(storage.GetCurrentIndex(), 0);
  EXPECT_EQ(storage.HasSections(VelaStorage::INPUT, 0), 0);
  EXPECT_EQ(storage.FindSection("a"), nullptr);
}

TEST(VelaStorage, KeepsInsertionOrderAndFilesIndexZeroUnderTheCurrentIndex) {
  VelaStorage storage;
  EXPECT_EQ(storage.AddSection("a", "o", "b", VelaStorage::OUTPUT, 0), 1);
  storage.ChooseReplayPart(VelaStorage::SCRIPT, 3);
  EXPECT_EQ(storage.AddSection("c", "", "", VelaStorage::INPUT, 0), 1);
  EXPECT_EQ(storage.AddSection("d", "", "", VelaStorage::INPUT, 2), 1);
  EXPECT_EQ(Names(storage), "a:2:0 c:1:3 d:1:2 ");
  const VelaStorage::Section* first = storage.GetFirstSection();
  EXPECT_STREQ(first->options.str(), "o");
  EXPECT_STREQ(first->body.str(), "b");
}

TEST(VelaStorage, RefusesADuplicateWithOneTraceLineButAcceptsOtherPartsAndIndices) {
  VelaStorage storage;
  ASSERT_EQ(storage.AddSection("Points", "", "p1", VelaStorage::INPUT, 0), 1);
  unsigned char again = 1;
  const std::string trace =
      Traced([&] { again = storage.AddSection("Points", "x", "p2", VelaStorage::INPUT, 0); });
  EXPECT_EQ(again, 0);
  EXPECT_EQ(trace, "Duplicated section Points found\n");
  EXPECT_EQ(Traced([&] {
              EXPECT_EQ(storage.AddSection("Points", "", "", VelaStorage::OUTPUT, 0), 1);
              EXPECT_EQ(storage.AddSection("Points", "", "", VelaStorage::INPUT, 1), 1);
              EXPECT_EQ(storage.AddSection("points", "", "", VelaStorage::INPUT, 0), 1);
            }),
            "");
  // Index 0 means the current index: after choosing index 1, a second
  // "Points" for index 1 is a duplicate.
  storage.ChooseReplayPart(VelaStorage::INPUT, 1);
  EXPECT_EQ(Traced([&] { again = storage.AddSection("Points", "", "", VelaStorage::INPUT, 0); }),
            "Duplicated section Points found\n");
  EXPECT_EQ(again, 0);
  EXPECT_EQ(Names(storage), "Points:1:0 Points:2:0 Points:1:1 points:1:0 ");
  EXPECT_STREQ(storage.GetFirstSection()->body.str(), "p1");
}

TEST(VelaStorage, ChoosingIndexZeroKeepsTheCurrentIndex) {
  VelaStorage storage;
  storage.ChooseReplayPart(VelaStorage::INPUT, 2);
  storage.ChooseReplayPart(VelaStorage::OUTPUT, 0);
  EXPECT_EQ(storage.GetCurrentPart(), VelaStorage::OUTPUT);
  EXPECT_EQ(storage.GetCurrentIndex(), 2);
  storage.ChooseReplayPart(VelaStorage::REFERENCE, 5);
  EXPECT_EQ(storage.GetCurrentIndex(), 5);
}

TEST(VelaStorage, FindSectionLooksInTheCurrentPartAndIndexOnly) {
  VelaStorage storage;
  storage.AddSection("s", "in0", "", VelaStorage::INPUT, 0);
  storage.AddSection("s", "out0", "", VelaStorage::OUTPUT, 0);
  storage.AddSection("s", "out2", "", VelaStorage::OUTPUT, 2);
  ASSERT_NE(storage.FindSection("s"), nullptr);
  EXPECT_STREQ(storage.FindSection("s")->options.str(), "in0");
  storage.ChooseReplayPart(VelaStorage::OUTPUT, 0);
  EXPECT_STREQ(storage.FindSection("s")->options.str(), "out0");
  storage.ChooseReplayPart(VelaStorage::OUTPUT, 2);
  EXPECT_STREQ(storage.FindSection("s")->options.str(), "out2");
  EXPECT_EQ(storage.FindSection("t"), nullptr);
  storage.ChooseReplayPart(VelaStorage::SCRIPT, 0);
  EXPECT_EQ(storage.FindSection("s"), nullptr);
}

TEST(VelaStorage, HasSectionsReadsIndexZeroAsTheCurrentIndex) {
  VelaStorage storage;
  storage.AddSection("a", "", "", VelaStorage::OUTPUT, 2);
  EXPECT_EQ(storage.HasSections(VelaStorage::OUTPUT, 2), 1);
  EXPECT_EQ(storage.HasSections(VelaStorage::OUTPUT, 0), 0);
  EXPECT_EQ(storage.HasSections(VelaStorage::INPUT, 2), 0);
  storage.ChooseReplayPart(VelaStorage::INPUT, 2);
  EXPECT_EQ(storage.HasSections(VelaStorage::OUTPUT, 0), 1);
}

TEST(VelaStorage, CreateSectionIsUnlinkedAndOwnedByTheCaller) {
  VelaStorage storage;
  storage.ChooseReplayPart(VelaStorage::OUTPUT, 4);
  std::unique_ptr<VelaStorage::Section> section(storage.CreateSection(VelaStorage::REFERENCE));
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(section->part, VelaStorage::REFERENCE);
  EXPECT_EQ(section->index, 0);
  EXPECT_TRUE(section->name.isEmpty() && section->options.isEmpty() && section->body.isEmpty());
  EXPECT_EQ(section->next, nullptr);
  EXPECT_EQ(storage.GetFirstSection(), nullptr);
}

TEST(VelaStorage, TracesEveryAddedSectionFromLevelSix) {
  ScopedInternalMode internal;
  ASSERT_TRUE(internal.IsOpen());
  VelaGlobalParameters& parameters = GetGlobalParameters();
  VelaStorage storage;
  parameters.SetTraceLevel(5);
  EXPECT_EQ(Traced([&] { storage.AddSection("quiet", "o", "b", VelaStorage::INPUT, 0); }), "");
  parameters.SetTraceLevel(6);
  storage.ChooseReplayPart(VelaStorage::INPUT, 7);
  const std::string trace = Traced([&] {
    storage.AddSection("Sc", "", "", VelaStorage::SCRIPT, 0);
    storage.AddSection("In", "opt", "l1\nl2", VelaStorage::INPUT, 12);
    storage.AddSection("Out", "", "", VelaStorage::OUTPUT, 0);
    storage.AddSection("Ref", "r", "", VelaStorage::REFERENCE, 1);
    storage.AddSection("Out", "", "", VelaStorage::OUTPUT, 7);  // refused, traced first
  });
  parameters.ResetTraceLevel();
  EXPECT_EQ(trace,
            "Added SCRIPT    7 section Sc\n"
            "           with options \n"
            "              with body \n"
            "Added INPUT     12 section In\n"
            "           with options opt\n"
            "              with body l1\nl2\n"
            "Added OUTPUT    7 section Out\n"
            "           with options \n"
            "              with body \n"
            "Added REFERENCE 1 section Ref\n"
            "           with options r\n"
            "              with body \n"
            "Added OUTPUT    7 section Out\n"
            "           with options \n"
            "              with body \n"
            "Duplicated section Out found\n");
}

// ---------------------------------------------------------------------------
// Stream layout
// ---------------------------------------------------------------------------

// Keeps the configuration values the header reads as the test found them.
class VelaStreamReplay : public ::testing::Test {
 protected:
  void SetUp() override {
    VelaFlushEnv();
    printVersion_ = GetGlobalParameters().IsPrintVersion();
    nesting_ = GetGlobalParameters().GetNestingLevel();
    GetGlobalParameters().SetPrintVersion(1);
    GetGlobalParameters().SetNestingLevel(0);
  }
  void TearDown() override {
    VelaFlushEnv();
    GetGlobalParameters().SetPrintVersion(printVersion_);
    GetGlobalParameters().SetNestingLevel(nesting_);
  }

 private:
  unsigned char printVersion_ = 0;
  int nesting_ = 0;
};

TEST_F(VelaStreamReplay, HeaderWithLevelShowsTheHfLevelOnlyWhenNotZero) {
  VelaStream full;
  full.WriteHeader("VelaGraphSolver", 0, 0xFFFFFFFFu);
  EXPECT_EQ(Text(full), "#VelaGraphSolver\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\n");
  VelaStream noHf;
  noHf.WriteHeader("Op", 12, 0x00030000u);
  EXPECT_EQ(Text(noHf), "#Op\n#12\n# Vel version Vel_17W08 level 3\n\n");
  VelaStream hfOnly;
  hfOnly.WriteHeader("Op", -1, 0x00000005u);
  EXPECT_EQ(Text(hfOnly), "#Op\n#-1\n# Vel version Vel_17W08 level 0 hf5\n\n");
}

TEST_F(VelaStreamReplay, HeaderWithoutLevelEndsTheVersionLineAfterTheVersion) {
  VelaStream s;
  s.WriteHeader("Op", 3);
  EXPECT_EQ(Text(s), "#Op\n#3\n# Vel version Vel_17W08\n\n");
}

TEST_F(VelaStreamReplay, VersionLineNeedsPrintVersionAndNoRunInProgress) {
  GetGlobalParameters().SetPrintVersion(0);
  VelaStream off;
  off.WriteHeader("Op", 1, 0x00010002u);
  off.WriteHeader("Op", 1);
  EXPECT_EQ(Text(off), "#Op\n#1\n\n#Op\n#1\n\n");
  GetGlobalParameters().SetPrintVersion(1);
  GetGlobalParameters().SetNestingLevel(1);
  VelaStream nested;
  nested.WriteHeader("Op", 1, 0x00010002u);
  nested.WriteHeader("Op", 1);
  EXPECT_EQ(Text(nested), "#Op\n#1\n\n#Op\n#1\n\n");
}

TEST_F(VelaStreamReplay, HeaderEndsWithTheCustomEnvironmentSection) {
  VelaSetEnv("VelaReplayTestFirst", "1");
  VelaSetEnv("VelaReplayTestSecond", "two words");
  VelaStream s;
  s.WriteHeader("Op", 0, 0x00010000u);
  EXPECT_EQ(Text(s),
            "#Op\n#0\n# Vel version Vel_17W08 level 1\n\n"
            "#!ENVIRONMENT\n\n"
            "VelaReplayTestSecond=two words;\n"
            "VelaReplayTestFirst=1;\n\n");
}

TEST_F(VelaStreamReplay, HeaderGoesToAFileAndNowhereWithoutAStream) {
  TempPath file("vela_replay_header");
  {
    VelaStream s(file.path().c_str(), VelaStream::FILE_STREAM, 0);
    s.WriteHeader("Op", 2, 0x00020000u);
  }
  EXPECT_EQ(ReadFile(file.path()), "#Op\n#2\n# Vel version Vel_17W08 level 2\n\n");
  VelaStream none(nullptr);
  none.GetStorage().AddSection("a", "b", "c", VelaStorage::INPUT, 0);
  none.WriteHeader("Op", 2, 0);
  none.WriteSections(VelaStorage::ALL_PARTS);
  none.WriteSections(VelaStorage::ALL_PARTS, 1);
  EXPECT_FALSE(none.good());
}

TEST_F(VelaStreamReplay, SectionTextSkipsSectionsWithOnlyAName) {
  VelaStream s;
  VelaStorage& storage = s.GetStorage();
  storage.AddSection("Both", "o1 o2", "line1\nline2", VelaStorage::INPUT, 0);
  storage.AddSection("NameOnly", "", "", VelaStorage::INPUT, 0);
  storage.AddSection("OptionsOnly", "opt", "", VelaStorage::INPUT, 0);
  storage.AddSection("BodyOnly", "", "body", VelaStorage::INPUT, 0);
  storage.AddSection("OtherIndex", "x", "y", VelaStorage::INPUT, 1);
  storage.AddSection("OtherPart", "x", "y", VelaStorage::SCRIPT, 0);
  s.WriteSections(VelaStorage::INPUT);
  EXPECT_EQ(Text(s),
            "Both o1 o2\n\nline1\nline2\n"
            "OptionsOnly opt\n\n"
            "BodyOnly\n\nbody\n");
}

TEST_F(VelaStreamReplay, SinglePartFormsWriteNoSeparator) {
  VelaStream s;
  VelaStorage& storage = s.GetStorage();
  storage.AddSection("R0", "", "r0", VelaStorage::REFERENCE, 0);
  storage.AddSection("R2", "", "r2", VelaStorage::REFERENCE, 2);
  storage.AddSection("O2", "", "o2", VelaStorage::OUTPUT, 2);
  storage.ChooseReplayPart(VelaStorage::OUTPUT, 2);  // does not change what index 0 writes
  s.WriteSections(VelaStorage::REFERENCE);
  s.WriteSections(VelaStorage::REFERENCE, 2);
  s.WriteSections(VelaStorage::OUTPUT, 2);
  s.WriteSections(VelaStorage::OUTPUT);
  EXPECT_EQ(Text(s), "R0\n\nr0\nR2\n\nr2\nO2\n\no2\n");
}

// Inputs at indices 0, 1, 2 and outputs at 0 and 1, given out of order.
void FillRuns(VelaStorage& storage) {
  storage.AddSection("in2", "", "i2", VelaStorage::INPUT, 2);
  storage.AddSection("out0", "", "o0", VelaStorage::OUTPUT, 0);
  storage.AddSection("in0", "", "i0", VelaStorage::INPUT, 0);
  storage.AddSection("ref0", "", "r0", VelaStorage::REFERENCE, 0);
  storage.AddSection("out1", "", "o1", VelaStorage::OUTPUT, 1);
  storage.AddSection("in1", "", "i1", VelaStorage::INPUT, 1);
  storage.AddSection("script", "", "s", VelaStorage::SCRIPT, 0);
  storage.AddSection("in1b", "b", "", VelaStorage::INPUT, 1);
  storage.AddSection("in3", "", "i3", VelaStorage::INPUT, 4);  // after a gap: never reached
}

TEST_F(VelaStreamReplay, AllPartsWriteEveryRunIndexWithItsSeparators) {
  VelaStream s;
  FillRuns(s.GetStorage());
  s.WriteSections(VelaStorage::ALL_PARTS);
  EXPECT_EQ(Text(s),
            "script\n\ns\n"
            "in0\n\ni0\n"
            "#!!======= Output =======\n"
            "out0\n\no0\n"
            "#!!======= Input 1 =======\n"
            "in1\n\ni1\n"
            "in1b b\n\n"
            "#!!======= Output 1 =======\n"
            "out1\n\no1\n"
            "#!!======= Input 2 =======\n"
            "in2\n\ni2\n"
            "#!!======= Output 2 =======\n");
}

TEST_F(VelaStreamReplay, AllPartsWriteNoOutputSeparatorWithoutOutputs) {
  VelaStream s;
  s.GetStorage().AddSection("in0", "", "i0", VelaStorage::INPUT, 0);
  s.GetStorage().AddSection("ref0", "", "r0", VelaStorage::REFERENCE, 0);
  s.WriteSections(VelaStorage::ALL_PARTS);
  EXPECT_EQ(Text(s), "in0\n\ni0\n");
}

// The all-parts form asks the current index whether outputs exist but
// writes those of index 0; the indexed form asks the index it writes.
TEST_F(VelaStreamReplay, OutputSeparatorOfIndexZeroFollowsTheCurrentIndexOnlyInTheFirstForm) {
  VelaStream all;
  all.GetStorage().AddSection("in0", "", "i0", VelaStorage::INPUT, 0);
  all.GetStorage().AddSection("out0", "", "o0", VelaStorage::OUTPUT, 0);
  all.ChooseReplayPart(VelaStorage::INPUT, 2);
  all.WriteSections(VelaStorage::ALL_PARTS);
  EXPECT_EQ(Text(all), "in0\n\ni0\nout0\n\no0\n");
  VelaStream indexed;
  indexed.GetStorage().AddSection("in0", "", "i0", VelaStorage::INPUT, 0);
  indexed.GetStorage().AddSection("out0", "", "o0", VelaStorage::OUTPUT, 0);
  indexed.ChooseReplayPart(VelaStorage::INPUT, 2);
  indexed.WriteSections(VelaStorage::ALL_PARTS, 0);
  EXPECT_EQ(Text(indexed), "in0\n\ni0\n#!!======= Output =======\nout0\n\no0\n");
}

TEST_F(VelaStreamReplay, AllPartsOfOneIndex) {
  VelaStream first;
  FillRuns(first.GetStorage());
  first.WriteSections(VelaStorage::ALL_PARTS, 0);
  EXPECT_EQ(Text(first),
            "script\n\ns\n"
            "in0\n\ni0\n"
            "#!!======= Output =======\n"
            "out0\n\no0\n");
  VelaStream second;
  FillRuns(second.GetStorage());
  second.WriteSections(VelaStorage::ALL_PARTS, 1);
  EXPECT_EQ(Text(second),
            "#!!======= Input 1 =======\n"
            "in1\n\ni1\n"
            "in1b b\n\n"
            "#!!======= Output 1 =======\n"
            "out1\n\no1\n");
  VelaStream third;  // no output for index 2: no output separator
  FillRuns(third.GetStorage());
  third.WriteSections(VelaStorage::ALL_PARTS, 2);
  EXPECT_EQ(Text(third), "#!!======= Input 2 =======\nin2\n\ni2\n");
}

TEST_F(VelaStreamReplay, ChoosingAPartAndIndexOnTheStreamReachesTheStorage) {
  VelaStream s;
  s.ChooseReplayPart(VelaStorage::OUTPUT, 3);
  EXPECT_EQ(s.GetStorage().GetCurrentPart(), VelaStorage::OUTPUT);
  EXPECT_EQ(s.GetStorage().GetCurrentIndex(), 3);
  s.ChooseReplayPart(VelaStorage::SCRIPT);
  const VelaStream& view = s;
  EXPECT_EQ(view.GetStorage().GetCurrentPart(), VelaStorage::SCRIPT);
  EXPECT_EQ(view.GetStorage().GetCurrentIndex(), 3);
  s.GetStorage().AddSection("a", "", "x", VelaStorage::OUTPUT, 0);
  EXPECT_EQ(view.GetStorage().GetFirstSection()->index, 3);
}

}  // namespace
