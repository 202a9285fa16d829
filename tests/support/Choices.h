// Where a model-based sequence takes its decisions: the randomised tests draw
// them from a generator with a fixed seed, the fuzzers read them from their
// input bytes. The sequences themselves (the models beside this header) are
// written once against this interface and report the first disagreement as
// a text, so that neither side depends on the other's framework.
#ifndef VELA_TESTS_SUPPORT_CHOICES_H
#define VELA_TESTS_SUPPORT_CHOICES_H

#include <cstddef>
#include <cstdint>
#include <random>

namespace vela::test {

class Choices {
 public:
  virtual ~Choices() = default;
  // 32 arbitrary bits.
  virtual std::uint32_t Bits() = 0;
  // A number in [0, n); 0 when n is 0.
  virtual std::size_t Pick(std::size_t n) = 0;
  // True when the source has nothing more to say (a fuzzer's input is used
  // up); sequences stop there. A generator never runs dry.
  virtual bool Exhausted() const { return false; }

  bool Chance(int percent) { return static_cast<int>(Pick(100)) < percent; }
  // Two draws of Bits, the first one high.
  std::uint64_t Bits64() {
    const std::uint64_t high = Bits();
    return (high << 32) | Bits();
  }
};

// The tests' source: a Mersenne twister with a fixed seed; Pick(n) is the
// generator's next number modulo n.
class SeededChoices : public Choices {
 public:
  explicit SeededChoices(std::uint32_t seed) : rng_(seed) {}
  std::uint32_t Bits() override { return rng_(); }
  std::size_t Pick(std::size_t n) override { return n == 0 ? 0 : rng_() % n; }
  std::mt19937& Generator() { return rng_; }

 private:
  std::mt19937 rng_;
};

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_CHOICES_H
