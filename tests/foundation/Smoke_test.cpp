#include <gtest/gtest.h>

#include "vela/foundation/VelaString.h"

TEST(VelaStringSmoke, Builds) {
  VelaString a("abc");
  VelaString b = a;
  b += "d";
  EXPECT_EQ(a, "abc");
  EXPECT_EQ(b, "abcd");
}
