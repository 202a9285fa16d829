// The section store (order, duplicates, current part and index, the level-6
// trace) and the exact replay layout a stream writes from it: headers,
// section texts and part separators.
#include "vela/operator/VelaStorage.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "support/InternalMode.h"
#include "support/TestSupport.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/foundation/VelaEnvironment.h"
#include "vela/streams/VelaStream.h"

namespace {

using S = VelaStorage;

std::string Text(VelaStream& s) { return static_cast<std::stringstream*>(s.GetStream())->str(); }

TEST(VelaStorage, SectionsKeepTheirOrderRefuseDuplicatesAndFollowTheCurrentIndex) {
  vela::test::ScopedInternalMode internal;
  S storage;
  std::string added;
  const std::string trace = vela::test::CaptureStdout([&] {
    const struct {
      const char* name;
      S::ReplayPart part;
      int index, traceLevel;
    } adds[] = {{"P", S::INPUT, 0, 5}, {"P", S::INPUT, 0, 0}, {"P", S::OUTPUT, 0, 0}, {"P", S::INPUT, 1, 0},
                {"p", S::SCRIPT, 0, 6}, {"R", S::REFERENCE, 12, 6}, {"P", S::INPUT, 3, 6}};
    for (const auto& a : adds) {
      GetGlobalParameters().SetTraceLevel(a.traceLevel);
      if (a.index == 3) storage.ChooseReplayPart(S::INPUT, 1);  // index 0 now files under 1
      const int index = a.index == 3 ? 0 : a.index;
      added += std::to_string(storage.AddSection(a.name, a.index == 12 ? "o" : "", "l1\nl2", a.part, index));
    }
  });
  GetGlobalParameters().ResetTraceLevel();
  EXPECT_EQ(added, "1011110");
  EXPECT_EQ(trace, "Duplicated section P found\nAdded SCRIPT    0 section p\n           with options \n"
                   "              with body l1\nl2\nAdded REFERENCE 12 section R\n           with options o\n"
                   "              with body l1\nl2\nAdded INPUT     1 section P\n           with options \n"
                   "              with body l1\nl2\nDuplicated section P found\n");
  std::string list;
  for (const S::Section* s = storage.GetFirstSection(); s != nullptr; s = s->next) {
    list += std::string(s->name.str()) + std::to_string(s->part) + std::to_string(s->index) + " ";
  }
  EXPECT_EQ(list, "P10 P20 P11 p00 R312 ");
  EXPECT_EQ(storage.FindSection("P"), storage.GetFirstSection()->next->next);  // INPUT 1
  storage.ChooseReplayPart(S::OUTPUT, 0);  // keeps index 1
  EXPECT_EQ(storage.GetCurrentIndex() * 10 + storage.HasSections(S::OUTPUT, 0) + storage.HasSections(S::INPUT, 0) * 2 +
                storage.HasSections(S::REFERENCE, 12) * 4, 16);
  EXPECT_EQ(storage.FindSection("P"), nullptr);
  std::unique_ptr<S::Section> own(storage.CreateSection(S::REFERENCE));
  EXPECT_TRUE(own->part == S::REFERENCE && own->index == 0 && own->next == nullptr && own->name.isEmpty());
  EXPECT_EQ(storage.GetFirstSection()->next->next->next->next->next, nullptr);  // not linked
}

// Inputs at indices 0, 1, 2 (and 4, after a gap), outputs at 0 and 1, given
// out of order, with a reference, a script and sections with only a name.
void Fill(VelaStream& stream) {
  S& storage = stream.GetStorage();
  const struct {
    const char *name, *options, *body;
    S::ReplayPart part;
    int index;
  } sections[] = {{"in2", "", "i2", S::INPUT, 2}, {"out0", "", "o0", S::OUTPUT, 0}, {"in0", "a b", "i\n0", S::INPUT, 0},
                  {"ref0", "", "r0", S::REFERENCE, 0}, {"out1", "", "o1", S::OUTPUT, 1}, {"in1", "", "i1", S::INPUT, 1},
                  {"script", "", "s", S::SCRIPT, 0}, {"in1b", "b", "", S::INPUT, 1}, {"name", "", "", S::INPUT, 1},
                  {"in4", "", "i4", S::INPUT, 4}};
  for (const auto& s : sections) storage.AddSection(s.name, s.options, s.body, s.part, s.index);
}

TEST(VelaStreamReplay, SectionsAndPartSeparators) {
  const std::string in1 = "#!!======= Input 1 =======\nin1\n\ni1\nin1b b\n\n#!!======= Output 1 =======\nout1\n\no1\n";
  const std::string first = "script\n\ns\nin0 a b\n\ni\n0\n#!!======= Output =======\nout0\n\no0\n";
  VelaStream all, single, none(nullptr);
  Fill(all), Fill(single), Fill(none);
  all.WriteSections(S::ALL_PARTS);
  EXPECT_EQ(Text(all), first + in1 + "#!!======= Input 2 =======\nin2\n\ni2\n#!!======= Output 2 =======\n");
  for (int index : {0, 1, 2}) single.WriteSections(S::ALL_PARTS, index);
  for (int index : {0, 2}) single.WriteSections(S::REFERENCE, index), single.WriteSections(S::OUTPUT, index);
  single.WriteSections(S::INPUT);
  EXPECT_EQ(Text(single),
            first + in1 + "#!!======= Input 2 =======\nin2\n\ni2\nref0\n\nr0\nout0\n\no0\nin0 a b\n\ni\n0\n");
  none.WriteSections(S::ALL_PARTS), none.WriteSections(S::ALL_PARTS, 1);  // no output: nothing, no crash
  VelaStream current;  // the first form asks the current index whether outputs exist
  current.GetStorage().AddSection("out0", "", "o0", S::OUTPUT, 0);
  current.ChooseReplayPart(S::INPUT, 2);
  current.WriteSections(S::ALL_PARTS);
  current.ChooseReplayPart(S::SCRIPT);
  const S& storage = current.GetStorage();
  EXPECT_EQ(Text(current) + std::to_string(storage.GetCurrentPart() * 10 + storage.GetCurrentIndex()), "out0\n\no0\n2");
}

TEST(VelaStreamReplay, HeadersCarryTheVersionLineOnlyOutsideRunsAndWithPrintVersion) {
  VelaGlobalParameters& gp = GetGlobalParameters();
  VelaStream s, none(nullptr);
  VelaFlushEnv(), gp.SetPrintVersion(1);
  s.WriteHeader("VelaGraphSolver", 0, 0xFFFFFFFFu), s.WriteHeader("Op", 12, 0x00030000u);
  s.WriteHeader("Op", -1, 5u), s.WriteHeader("Op", 3);
  gp.SetPrintVersion(0);
  s.WriteHeader("Op", 1, 0x00010002u);
  gp.SetPrintVersion(1), gp.SetNestingLevel(1);
  s.WriteHeader("Op", 1);
  gp.SetNestingLevel(0);
  VelaSetEnv("VelaReplayTestFirst", "1");
  VelaSetEnv("VelaReplayTestSecond", "two words");
  s.WriteHeader("Op", 0, 0x00010000u), none.WriteHeader("Op", 0, 0);
  VelaFlushEnv();
  EXPECT_EQ(Text(s), "#VelaGraphSolver\n#0\n# Vel version Vel_17W08 level 65535 hf65535\n\n"
                     "#Op\n#12\n# Vel version Vel_17W08 level 3\n\n#Op\n#-1\n# Vel version Vel_17W08 level 0 hf5\n\n"
                     "#Op\n#3\n# Vel version Vel_17W08\n\n#Op\n#1\n\n#Op\n#1\n\n"
                     "#Op\n#0\n# Vel version Vel_17W08 level 1\n\n#!ENVIRONMENT\n\n"
                     "VelaReplayTestSecond=two words;\nVelaReplayTestFirst=1;\n\n");
}

}  // namespace
