// The small refinery model afiro of the Netlib linear-programming collection:
// minimise cost . x subject to the rows below and x >= 0 (no other bounds).
// Its published optimum is -464.7531428571.
#ifndef VELA_TESTS_SUPPORT_AFIROLP_H
#define VELA_TESTS_SUPPORT_AFIROLP_H

namespace vela::test::afiro {
constexpr int kRows = 27;
constexpr int kCols = 32;
constexpr double kOptimum = -464.7531428571;

// 'E' for an equality row, 'L' for a less-or-equal row.
constexpr char kSense[kRows + 1] = "EELLEELLLLEELLEELLLLLLLLLLL";

constexpr double kRhs[kRows] = {0, 0, 80, 0, 0, 0, 80, 0, 0, 0, 0, 0, 500, 0, 0, 44, 500, 0, 0, 0, 0, 0, 0, 0, 0, 310, 300};

constexpr double kCost[kCols] = {0, -0.4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -0.32, 0, 0, 0,
                                 -0.6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -0.48, 0, 0, 10};

// Non-zero entries (row, column, value), column by column.
struct Entry {
  int row, col;
  double value;
};
constexpr Entry kEntries[] = {
    {0, 0, -1.0}, {1, 0, -1.06}, {2, 0, 1.0}, {23, 0, 0.301}, {0, 1, 1.0}, {3, 1, -1.0}, {0, 2, 1.0}, {21, 2, -1.0},
    {1, 3, 1.0}, {25, 3, 1.0}, {4, 4, -1.0}, {5, 4, -1.06}, {6, 4, 1.0}, {24, 4, 0.301}, {4, 5, -1.0}, {5, 5, -1.06},
    {7, 5, 1.0}, {24, 5, 0.313}, {4, 6, -1.0}, {5, 6, -0.96}, {8, 6, 1.0}, {24, 6, 0.313}, {4, 7, -1.0},
    {5, 7, -0.86}, {9, 7, 1.0}, {24, 7, 0.326}, {6, 8, -1.0}, {20, 8, 2.364}, {7, 9, -1.0}, {20, 9, 2.386},
    {8, 10, -1.0}, {20, 10, 2.408}, {9, 11, -1.0}, {20, 11, 2.429}, {3, 12, 1.4}, {4, 12, 1.0}, {4, 13, 1.0},
    {22, 13, -1.0}, {5, 14, 1.0}, {26, 14, 1.0}, {10, 15, -1.0}, {11, 15, -0.43}, {12, 15, 1.0}, {21, 15, 0.109},
    {10, 16, 1.0}, {13, 16, -1.0}, {10, 17, 1.0}, {23, 17, -1.0}, {10, 18, 1.0}, {20, 18, -1.0}, {11, 19, 1.0},
    {25, 19, 1.0}, {14, 20, -0.43}, {15, 20, 1.0}, {16, 20, 1.0}, {22, 20, 0.109}, {14, 21, -0.43}, {15, 21, 1.0},
    {17, 21, 1.0}, {22, 21, 0.108}, {14, 22, -0.39}, {15, 22, 1.0}, {18, 22, 1.0}, {22, 22, 0.108}, {14, 23, -0.37},
    {15, 23, 1.0}, {19, 23, 1.0}, {22, 23, 0.107}, {16, 24, -1.0}, {20, 24, 2.191}, {17, 25, -1.0}, {20, 25, 2.219},
    {18, 26, -1.0}, {20, 26, 2.249}, {19, 27, -1.0}, {20, 27, 2.279}, {13, 28, 1.4}, {15, 28, -1.0}, {15, 29, 1.0},
    {24, 29, -1.0}, {14, 30, 1.0}, {26, 30, 1.0}, {15, 31, 1.0},
};

}  // namespace vela::test::afiro

#endif  // VELA_TESTS_SUPPORT_AFIROLP_H
