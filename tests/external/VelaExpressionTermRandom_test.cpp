// Expression terms on thousands of random trees (fixed seeds): the printed
// text, read back by a small evaluator, has the tree's value, and neither
// folding pass changes the value beyond rounding. The trees and the checks
// live in support/ExpressionModel, shared with the expression fuzzer.
#include <gtest/gtest.h>

#include <memory>

#include "support/ExpressionModel.h"

namespace {

using Tree = std::unique_ptr<VelaExpressionTerm>;
constexpr int kTrees = 5000;

TEST(VelaExpressionTermRandom, MinimalParenthesesKeepTheMeaning) {
  vela::test::SeededChoices choices(20261205);
  int compared = 0;
  for (int i = 0; i < kTrees; ++i) {
    Tree t(vela::test::RandomExpression(choices, 1 + i % 6));
    ASSERT_EQ(vela::test::CheckPrinting(*t, &compared), "") << "tree " << i;
  }
  EXPECT_GT(compared, kTrees / 2);
}

TEST(VelaExpressionTermRandom, FoldingKeepsTheValue) {
  vela::test::SeededChoices choices(777);
  int compared = 0;
  for (int i = 0; i < kTrees; ++i) {
    Tree t(vela::test::RandomExpression(choices, 1 + i % 6));
    ASSERT_EQ(vela::test::CheckFolding(*t, &compared), "") << "tree " << i;
  }
  EXPECT_GT(compared, kTrees / 2);
}

}  // namespace
