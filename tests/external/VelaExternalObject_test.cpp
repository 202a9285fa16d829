// External objects: reference counting through several holders, the two
// misuse messages, the copy semantics of the count and the default answers.
#include "vela/external/VelaExternalObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kNegative[] = "Negative ref counter in VelaExternalObject. Is there a leak ?\n";
const char kDelete[] = "You cannot delete an external object, please use 'Release'.\n";

int gShapesDestroyed = 0;
int gDetectorsDestroyed = 0;

// A sphere-like shape. Its destructor is public only so that the tests can
// show what deleting it directly does.
class TestShape : public VelaExternalShape {
 public:
  explicit TestShape(double radius) : radius_(radius) {}
  ~TestShape() override { ++gShapesDestroyed; }
  int GetKind() const override { return 7; }
  VelaString GetLabel() const override { return VelaString("sphere"); }
  double GetShapePrecision() override { return 1e-3; }
  double radius() const { return radius_; }

 private:
  double radius_;
};

// Keeps only its default operations' answers, to show them.
class PlainShape : public VelaExternalShape {
 public:
  int GetKind() const override { return 1; }
  VelaString GetLabel() const override { return VelaString("plain"); }
};

// A detector that holds the shapes it is given, as a real one would, and
// reports every pair whose radii overlap at distance 0.
class TestDetector : public VelaExternalCollisionDetection {
 public:
  ~TestDetector() override {
    ClearShapes();
    ++gDetectorsDestroyed;
  }
  int GetKind() const override { return 9; }
  VelaString GetLabel() const override { return VelaString("detector"); }
  unsigned char BeginDetection() override { return 1; }
  int AddShape(VelaExternalShape* iShape) override {
    iShape->AddRef();
    shapes_.push_back(iShape);
    return static_cast<int>(shapes_.size()) - 1;
  }
  void SetShapePosition(int, const double*, const double*) override {}
  unsigned char Detect() override {
    count_ = static_cast<int>(shapes_.size()) > 1 ? 1 : 0;
    return 1;
  }
  int GetCollisionCount() const override { return count_; }
  unsigned char GetCollision(int iIndex, int& oShape1, int& oShape2, double& oDepth) override {
    if (iIndex != 0 || count_ == 0) return 0;
    oShape1 = 0;
    oShape2 = 1;
    oDepth = 0.5;
    return 1;
  }
  int GetArealCollisionCount() const override { return 0; }
  int GetWarningCount() const override { return 0; }
  void RemoveShape(int iShape) override {
    shapes_[iShape]->Release();
    shapes_.erase(shapes_.begin() + iShape);
  }
  void ClearShapes() override {
    for (VelaExternalShape* s : shapes_) s->Release();
    shapes_.clear();
  }
  void EndDetection() override {}

 private:
  std::vector<VelaExternalShape*> shapes_;
  int count_ = 0;
};

class VelaExternalObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gShapesDestroyed = 0;
    gDetectorsDestroyed = 0;
  }
};

TEST_F(VelaExternalObjectTest, NewShapeReleasedOnceIsDestroyedSilently) {
  VelaExternalShape* shape = new TestShape(1.0);
  EXPECT_EQ(shape->GetRefCount(), 1);
  testing::internal::CaptureStdout();
  shape->Release();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(gShapesDestroyed, 1);
}

TEST_F(VelaExternalObjectTest, SharedThroughSeveralHoldersIsDestroyedByTheLastRelease) {
  testing::internal::CaptureStdout();
  auto* a = new TestShape(1.0);
  auto* b = new TestShape(2.0);
  auto* detector = new TestDetector;
  EXPECT_EQ(detector->AddShape(a), 0);
  EXPECT_EQ(detector->AddShape(b), 1);
  // A second holder of the detector, and two of shape a.
  detector->AddRef();
  std::vector<VelaExternalObject*> holders = {a, a};
  a->AddRef();
  a->AddRef();
  EXPECT_EQ(a->GetRefCount(), 4);

  ASSERT_EQ(detector->BeginDetection(), 1);
  ASSERT_EQ(detector->Detect(), 1);
  int s1 = -1, s2 = -1;
  double depth = 0.0;
  EXPECT_EQ(detector->GetCollisionCount(), 1);
  EXPECT_EQ(detector->GetCollision(0, s1, s2, depth), 1);
  EXPECT_EQ(s1, 0);
  EXPECT_EQ(s2, 1);
  EXPECT_EQ(depth, 0.5);
  detector->EndDetection();

  // The creators let go first: the detector still holds both shapes.
  a->Release();
  b->Release();
  EXPECT_EQ(gShapesDestroyed, 0);
  EXPECT_EQ(b->GetRefCount(), 1);
  detector->RemoveShape(1);  // b's last holder
  EXPECT_EQ(gShapesDestroyed, 1);

  detector->Release();
  EXPECT_EQ(gDetectorsDestroyed, 0);
  detector->Release();  // drops its hold on a too
  EXPECT_EQ(gDetectorsDestroyed, 1);
  EXPECT_EQ(gShapesDestroyed, 1);
  EXPECT_EQ(a->GetRefCount(), 2);
  for (VelaExternalObject* h : holders) h->Release();
  EXPECT_EQ(gShapesDestroyed, 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(VelaExternalObjectTest, DeletingAHeldObjectIsReportedButGoesOn) {
  auto* shape = new TestShape(1.0);
  shape->AddRef();
  shape->Release();
  EXPECT_EQ(gShapesDestroyed, 0);
  testing::internal::CaptureStdout();
  delete shape;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kDelete);
  EXPECT_EQ(gShapesDestroyed, 1);
}

// A shape that, while its last Release destroys it (count 0), leaves a copy
// of itself behind: the one way to hold a live object whose count is 0.
class LastWordsShape : public TestShape {
 public:
  using TestShape::TestShape;
  ~LastWordsShape() override {
    if (GetRefCount() == 0 && survivor == nullptr) survivor = new LastWordsShape(*this);
  }
  static LastWordsShape* survivor;
};
LastWordsShape* LastWordsShape::survivor = nullptr;

TEST_F(VelaExternalObjectTest, ReleasingAtZeroReportsEachTimeAndNeverDestroys) {
  LastWordsShape::survivor = nullptr;
  (new LastWordsShape(3.0))->Release();
  LastWordsShape* zero = LastWordsShape::survivor;
  ASSERT_NE(zero, nullptr);
  EXPECT_EQ(zero->GetRefCount(), 0);  // the copy took the count as it stood
  EXPECT_EQ(zero->radius(), 3.0);
  EXPECT_EQ(gShapesDestroyed, 1);

  testing::internal::CaptureStdout();
  zero->Release();
  zero->Release();
  EXPECT_EQ(gShapesDestroyed, 1);
  EXPECT_EQ(zero->GetRefCount(), -2);
  delete zero;  // not through Release, and the count is not 0
  EXPECT_EQ(gShapesDestroyed, 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            std::string(kNegative) + kNegative + kDelete);
}

TEST_F(VelaExternalObjectTest, CopiesTakeTheSourceCountAndAssignmentOverwritesIt) {
  testing::internal::CaptureStdout();
  auto* shape = new TestShape(1.0);
  shape->AddRef();
  shape->AddRef();
  auto* copy = new TestShape(*shape);
  EXPECT_EQ(copy->GetRefCount(), 3);
  auto* other = new TestShape(2.0);
  other->AddRef();
  *other = *shape;  // the count comes with the values
  EXPECT_EQ(other->GetRefCount(), 3);
  EXPECT_EQ(other->radius(), 1.0);
  for (TestShape* s : {shape, copy, other}) {
    s->Release();
    s->Release();
    EXPECT_EQ(gShapesDestroyed, 0);
  }
  for (TestShape* s : {shape, copy, other}) s->Release();
  EXPECT_EQ(gShapesDestroyed, 3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  // The detector copies its base's count the same way.
  auto* detector = new TestDetector;
  detector->AddRef();
  auto* detectorCopy = new TestDetector(*detector);
  EXPECT_EQ(detectorCopy->GetRefCount(), 2);
  for (int i = 0; i < 2; ++i) {
    detector->Release();
    detectorCopy->Release();
  }
  EXPECT_EQ(gDetectorsDestroyed, 2);
}

TEST_F(VelaExternalObjectTest, AnObjectThatOutlivesItsScopeHeldIsReported) {
  testing::internal::CaptureStdout();
  { TestShape onStack(1.0); }  // still held by its creator when it goes
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kDelete);
  EXPECT_EQ(gShapesDestroyed, 1);
}

TEST_F(VelaExternalObjectTest, DefaultAnswers) {
  auto* plain = new PlainShape;
  EXPECT_EQ(plain->GetShapePrecision(), 0.0);
  double a = 7, b = 7, c = 7, d = 7;
  plain->GetBoundingSphere(a, b, c, d);
  EXPECT_EQ(a, 1.0);
  EXPECT_EQ(b, 0.0);
  EXPECT_EQ(c, 0.0);
  EXPECT_EQ(d, 0.0);
  plain->Release();

  auto* detector = new TestDetector;
  double r[12];
  for (double& x : r) x = 5.0;
  EXPECT_EQ(detector->GetArealCollision(0, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8],
                                        r[9], r[10], r[11]),
            0);
  for (double x : r) EXPECT_EQ(x, 0.0);

  int i[4] = {1, 2, 3, 4};
  double w[7] = {1, 2, 3, 4, 5, 6, 7};
  detector->GetWarning(3, i[0], i[1], i[2], i[3], w[0], w[1], w[2], w[3], w[4], w[5], w[6]);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(i[k], k + 1);
  for (int k = 0; k < 7; ++k) EXPECT_EQ(w[k], k + 1.0);
  detector->Release();
}

}  // namespace
