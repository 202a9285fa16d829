// The copy-on-write string against std::string, as a sequence of operations
// on a pool of strings: assignments, appends (including the self and
// own-data cases), copies, length changes, derived strings, searches and
// tokenising. After every step each string equals its model, every copy that
// was never written still holds its text, and strings assigned from one
// another and not written since still share one block. The seeded test and
// the fuzzer run the same sequence; only the source of decisions differs.
#ifndef VELA_TESTS_SUPPORT_STRINGMODEL_H
#define VELA_TESTS_SUPPORT_STRINGMODEL_H

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "support/Choices.h"
#include "vela/foundation/VelaString.h"

namespace vela::test {

class StringModel {
 public:
  explicit StringModel(Choices& choices);

  // Runs up to `steps` operations, fewer when the choices run dry. Returns
  // the first disagreement with the model ("" when there is none).
  std::string Run(int steps);
  // The first capacity-class boundary that was not crossed both upwards and
  // downwards ("" when every one was): the seeded runs must reach them all.
  std::string UncrossedBoundary() const;

  static constexpr std::size_t kPoolSize = 8;
  // First lengths of the 256-byte, 4096-byte and 8192-byte capacity classes.
  static constexpr std::array<std::size_t, 3> kClassBoundaries = {60, 252, 4091};

 private:
  struct Member {
    VelaString s;
    std::string model;
    // Strings with the same share group were assigned from one another and
    // not written since: they must point at one block.
    int group = 0;
  };
  // A copy that is never written again.
  struct Snapshot {
    VelaString s;
    std::string text;
    int group;
  };

  std::size_t Pick(std::size_t n) { return choices_.Pick(n); }
  bool Chance(int percent) { return choices_.Chance(percent); }
  Member& Any() { return pool_[Pick(kPoolSize)]; }
  char RandomChar();
  std::string RandomText();
  // Writing detaches: the member leaves its share group.
  void Written(Member& m) { m.group = nextGroup_++; }
  // Records the first disagreement.
  void Fail(const std::string& what);

  void Step();
  void Set(Member& m, Member& other, std::size_t op);
  void Append(Member& m, Member& other, std::size_t op);
  void Derive(Member& m, Member& other, std::size_t op);
  void SetNumber(Member& m);
  void AddNumber(Member& m);
  void OwnDataPointer(Member& m);
  void Trim(Member& m, const Member& other);
  void Find(const Member& m, const Member& other);
  void Tokenise(const Member& m);
  void Lines(const Member& m);
  void TakeSnapshot(const Member& m);
  void KeepLengthsBounded();
  void NoteCrossings(std::size_t before, std::size_t after);
  std::string Check() const;

  Choices& choices_;
  std::array<Member, kPoolSize> pool_;
  std::vector<Snapshot> snapshots_;
  int nextGroup_ = 0;
  int step_ = 0;
  std::string failure_;
  std::array<bool, kClassBoundaries.size()> crossedUp_{};
  std::array<bool, kClassBoundaries.size()> crossedDown_{};
};

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_STRINGMODEL_H
