// External objects: reference counting and copies of the count, and the two
// misuse messages.
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
  testing::internal::CaptureStdout();  // the messages go to the process's standard output
  (new Shape)->Release();               // silently
  Shape *held = new Shape, *assigned = new Shape;
  held->AddRef(), held->AddRef();
  Shape* copy = new Shape(*held);
  *assigned = *held;  // copies take the count of their source, 3
  for (Shape* s : {held, copy, assigned}) s->Release(), s->Release();
  std::string counts = std::to_string(gDestroyed) + std::to_string(copy->GetRefCount());
  delete held;  // count 1: reported, destroyed all the same
  copy->Release(), assigned->Release();
  (new LastWords)->Release();
  Shape* zero = LastWords::survivor;
  counts += std::to_string(gDestroyed) + std::to_string(zero->GetRefCount());
  zero->Release(), zero->Release();  // reported each time, never destroyed
  counts += std::to_string(gDestroyed) + std::to_string(zero->GetRefCount());
  delete zero;
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(counts + " " + std::to_string(gDestroyed), "11505-2 6");
  const std::string negative = "Negative ref counter in VelaExternalObject. Is there a leak ?\n";
  const std::string deleted = "You cannot delete an external object, please use 'Release'.\n";
  EXPECT_EQ(printed, deleted + negative + negative + deleted);
}

}  // namespace
