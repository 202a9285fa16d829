// What every fuzzer shares: decisions read from the input bytes, and the way
// a broken invariant stops the run.
#ifndef VELA_FUZZ_FUZZINPUT_H
#define VELA_FUZZ_FUZZINPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/Choices.h"

namespace vela::fuzz {

// The input bytes as a source of decisions, consumed from the front. Small
// ranges take one byte, so that a mutation of one byte changes one decision.
// Past the end every draw gives 0 and Exhausted() turns true.
class ByteChoices : public vela::test::Choices {
 public:
  ByteChoices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint32_t Bits() override { return static_cast<std::uint32_t>(Take(4)); }
  std::size_t Pick(std::size_t n) override {
    if (n <= 1) return 0;
    const int bytes = n <= 0x100 ? 1 : n <= 0x10000 ? 2 : 4;
    return static_cast<std::size_t>(Take(bytes) % n);
  }
  bool Exhausted() const override { return dry_; }

  // Eight raw bytes as a double: every bit pattern, NaNs and infinities
  // included.
  double RawDouble() {
    const std::uint64_t bits = Take(8);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }
  // Up to `max` bytes as text (the length first).
  std::string Text(std::size_t max) {
    std::string text;
    for (std::size_t n = Pick(max + 1); n > 0 && !dry_; --n) text += static_cast<char>(Take(1));
    return text;
  }
  std::size_t Remaining() const { return size_ - used_; }

 private:
  std::uint64_t Take(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
      if (used_ == size_) {
        dry_ = true;
        return v;
      }
      v = (v << 8) | data_[used_++];
    }
    return v;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
  bool dry_ = false;
};

// Stops the run with the broken invariant's description: libFuzzer reports
// the abort as a crash and saves the input.
inline void Require(bool holds, const std::string& what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}
// A model's verdict: empty when it agreed.
inline void RequireAgreement(const std::string& disagreement) { Require(disagreement.empty(), disagreement); }

}  // namespace vela::fuzz

#endif  // VELA_FUZZ_FUZZINPUT_H
