// External objects: reference counting, the two misuse messages, the copy
// semantics of the count and the default answers.
#include "vela/external/VelaExternalObject.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int gDestroyed = 0;

// Its destructor is public only so that a test can delete it directly.
class Shape : public VelaExternalShape {
 public:
  ~Shape() override { ++gDestroyed; }
  int GetKind() const override { return 7; }
  VelaString GetLabel() const override { return VelaString("shape"); }
};

// While its last Release destroys it (count 0), it leaves a copy of itself:
// the one way to hold a live object whose count is 0.
class LastWords : public Shape {
 public:
  ~LastWords() override { survivor = new Shape(*this); }
  static Shape* survivor;
};
Shape* LastWords::survivor = nullptr;

TEST(VelaExternalObject, TheLastReleaseDestroysAndMisuseIsReportedButGoesOn) {
  gDestroyed = 0;
  std::string counts;
  testing::internal::CaptureStdout();  // the messages go to the process's standard output
  (new Shape)->Release();  // silently
  Shape* held = new Shape;
  held->AddRef(), held->Release();
  counts += std::to_string(gDestroyed) + std::to_string(held->GetRefCount());
  delete held;  // reported, destroyed all the same
  (new LastWords)->Release();
  Shape* zero = LastWords::survivor;
  counts += std::to_string(gDestroyed) + std::to_string(zero->GetRefCount());
  zero->Release(), zero->Release();  // reported each time, never destroyed
  counts += std::to_string(gDestroyed) + std::to_string(zero->GetRefCount());
  delete zero;
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(counts + " " + std::to_string(gDestroyed), "11303-2 4");
  const std::string negative = "Negative ref counter in VelaExternalObject. Is there a leak ?\n";
  const std::string deleted = "You cannot delete an external object, please use 'Release'.\n";
  EXPECT_EQ(printed, deleted + negative + negative + deleted);
}

TEST(VelaExternalObject, CopiesTakeTheCountOfTheirSource) {
  Shape *shape = new Shape, *assigned = new Shape;
  shape->AddRef(), shape->AddRef();
  Shape* copy = new Shape(*shape);
  *assigned = *shape;
  gDestroyed = 0;
  for (int round = 0; round < 3; ++round) {
    for (Shape* s : {shape, copy, assigned}) {
      EXPECT_EQ(s->GetRefCount(), 3 - round);
      s->Release();
    }
  }
  EXPECT_EQ(gDestroyed, 3);
}

TEST(VelaExternalObject, DefaultAnswers) {
  class Detector : public VelaExternalCollisionDetection {
    int GetKind() const override { return 9; }
    VelaString GetLabel() const override { return VelaString("detector"); }
    unsigned char BeginDetection() override { return 1; }
    int AddShape(VelaExternalShape*) override { return 0; }
    void SetShapePosition(int, const double*, const double*) override {}
    unsigned char Detect() override { return 1; }
    int GetCollisionCount() const override { return 0; }
    unsigned char GetCollision(int, int&, int&, double&) override { return 0; }
    int GetArealCollisionCount() const override { return 0; }
    int GetWarningCount() const override { return 0; }
    void RemoveShape(int) override {}
    void ClearShapes() override {}
    void EndDetection() override {}
  };
  VelaExternalShape* shape = new Shape;
  double s[4] = {7, 7, 7, 7}, r[12], w[7] = {1, 2, 3, 4, 5, 6, 7};
  shape->GetBoundingSphere(s[0], s[1], s[2], s[3]);
  EXPECT_EQ(shape->GetShapePrecision() + s[0] * 1000 + s[1] * 100 + s[2] * 10 + s[3], 1000.0);
  shape->Release();
  VelaExternalCollisionDetection* detector = new Detector;
  for (double& x : r) x = 5.0;
  EXPECT_EQ(detector->GetArealCollision(0, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11]),
            0);
  for (double x : r) EXPECT_EQ(x, 0.0);
  int i[4] = {1, 2, 3, 4};
  detector->GetWarning(3, i[0], i[1], i[2], i[3], w[0], w[1], w[2], w[3], w[4], w[5], w[6]);
  EXPECT_EQ(i[0] + i[1] * 10 + i[2] * 100 + i[3] * 1000 + w[0] + w[6] * 10 + w[3] * 100, 4321 + 71 + 400);
  detector->Release();
}

}  // namespace
