// Model-based randomised test of the copy-on-write string against
// std::string (the sequence lives in support/StringModel, shared with the
// string fuzzer): every seed must agree with the model throughout and walk
// the lengths across every capacity-class boundary in both directions.
#include <gtest/gtest.h>

#include <cstdint>

#include "support/StringModel.h"

namespace {

TEST(VelaStringModel, RandomOperationsAgreeWithStdString) {
  for (std::uint32_t seed : {1u, 20240601u, 977u, 31337u}) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    vela::test::SeededChoices choices(seed);
    vela::test::StringModel model(choices);
    ASSERT_EQ(model.Run(4000), "");
    EXPECT_EQ(model.UncrossedBoundary(), "");
  }
}

}  // namespace
