// The containers against the standard ones, as operation sequences shared by
// the container tests and the containers fuzzer: the arrays against
// std::vector (capacities included), the hash table against a model of its
// exact layout (bucket count, pool, chains), the priority queue against
// std::set with the same comparator. Each returns its first disagreement as a
// text ("" when none) and stops early when its choices run dry.
#ifndef VELA_TESTS_SUPPORT_CONTAINERMODELS_H
#define VELA_TESTS_SUPPORT_CONTAINERMODELS_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "support/Choices.h"
#include "vela/containers/VelaArray.h"
#include "vela/containers/VelaHashTable.h"
#include "vela/containers/VelaPriorityQueue.h"

namespace vela::test {

// Growth: exactly what is needed on leaving the inline buffer, then doubling.
inline int Grown(int capacity, int needed, int inlineCapacity) {
  if (capacity >= needed) return capacity;
  if (capacity == inlineCapacity) return needed;
  while (capacity < needed) capacity *= 2;
  return capacity;
}

inline int CompareAddresses(const void* a, const void* b) {
  const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

// Two arrays and their models; each step works on one, the other being the
// second operand. Eight values per type, with zeros, a negative zero, a NaN
// (long texts for strings, so that a bitwise copy shows under the sanitizer).
template <class T>
class ArrayModel {
 public:
  explicit ArrayModel(Choices& c) : c_(c) {}

  std::string Run(int steps) {
    for (int step = 0; step < steps && !c_.Exhausted(); ++step) {
      const int which = Pick(2);
      std::string failure = Step(arrays_[which], arrays_[1 - which]);
      for (const Tracked& t : arrays_) failure += failure.empty() ? Matches(t.array, t.model, t.capacity) : "";
      if (!failure.empty()) return "step " + std::to_string(step) + ": " + failure;
    }
    return "";
  }

 private:
  static constexpr int kN = VelaArray<T>::InlineCapacity;
  static constexpr bool kPointer = std::is_pointer_v<T>;
  struct Tracked {
    VelaArray<T> array;
    std::vector<T> model;
    int capacity = kN;
  };

  int Pick(int n) { return static_cast<int>(c_.Pick(static_cast<std::size_t>(n))); }
  T Value() {
    const int k = Pick(8);
    if constexpr (std::is_same_v<T, double>) {
      return std::vector<double>{0.0, -0.0, 1.0, 2.5, -3.0, std::numeric_limits<double>::quiet_NaN(), 7.0, 1e300}[k];
    } else if constexpr (std::is_same_v<T, std::string>) {
      return k < 2 ? "" : std::string(40, static_cast<char>('a' + k));
    } else if constexpr (kPointer) {
      return reinterpret_cast<T>(static_cast<std::uintptr_t>(k) * 8);
    } else {
      return static_cast<T>(k - 2);
    }
  }

  // Elements (bit for bit when bit-copied), capacity, and the inline buffer
  // in use exactly at the inline capacity.
  static std::string Matches(const VelaArray<T>& a, const std::vector<T>& m, int capacity) {
    const auto same = [](const T& x, const T& y) {
      if constexpr (std::is_trivially_copyable_v<T>) return std::memcmp(&x, &y, sizeof(T)) == 0;
      if constexpr (!std::is_trivially_copyable_v<T>) return x == y;
    };
    const auto data = reinterpret_cast<std::uintptr_t>(a.GetBuffer()), self = reinterpret_cast<std::uintptr_t>(&a);
    const bool inBuffer = kN > 0 ? data >= self && data < self + sizeof a : data == 0;
    const bool equal = a.Size() == static_cast<int>(m.size()) && std::equal(m.begin(), m.end(), a.begin(), same);
    if (!equal) return "the elements differ";
    if (a.Capacity() != capacity) return "capacity " + std::to_string(a.Capacity()) + ", expected " + std::to_string(capacity);
    return inBuffer == (capacity == kN) ? "" : "the inline buffer use differs";
  }
  static std::string Expect(int got, int expected, const char* what) {
    return got == expected ? "" : std::string(what) + " gave " + std::to_string(got) + ", expected " + std::to_string(expected);
  }
  // The index of the first v at or after from, or -1.
  static int IndexOf(const std::vector<T>& m, const T& v, int from = 0) {
    const auto hit = std::find(m.begin() + std::clamp(from, 0, static_cast<int>(m.size())), m.end(), v);
    return hit == m.end() ? -1 : static_cast<int>(hit - m.begin());
  }

  std::string Step(Tracked& t, Tracked& other) {
    VelaArray<T>& a = t.array;
    std::vector<T>& m = t.model;
    const int size = a.Size(), i = Pick(size + 1), n = Pick(3 * kN + 12) - 3, op = Pick(19);
    const T v = Value();
    const auto grow = [&t](int needed) { t.capacity = Grown(t.capacity, needed, kN); };
    VelaArray<T>& operand = Pick(4) ? other.array : a;  // now and then the array itself
    const std::vector<T> operandModel = &operand == &a ? m : other.model;
    switch (op) {
      case 0:
      case 1: {  // a value or one of its own elements (growing frees the block it lies in)
        const T& e = size > 0 && Pick(2) ? a[Pick(size)] : v;
        m.insert(m.begin() + (op == 0 ? size : i), e);
        if (op == 0) {
          a.Append(e);
        } else if constexpr (kPointer) {
          a.Insert(e, i);
        } else {
          a.Insert(i, e);
        }
        return grow(size + 1), "";
      }
      case 2: {  // growing with default elements; a negative index does nothing
        const int j = Pick(size + 9) - 1;
        a.Set(j, v);
        if (j >= size) m.resize(static_cast<std::size_t>(j) + 1, T()), grow(j + 1);
        return j < 0 ? "" : (m[static_cast<std::size_t>(j)] = v, "");
      }
      case 3:
        if (size == 0) return "";
        a.RemovePosition(i % size);
        return m.erase(m.begin() + i % size), "";
      case 4: {
        const int at = IndexOf(m, v);
        if (at >= 0) m.erase(m.begin() + at);
        return Expect(a.RemoveValue(v), at, "RemoveValue");
      }
      case 5: {
        const int before = static_cast<int>(m.size());
        m.erase(std::remove(m.begin(), m.end(), T()), m.end());
        return Expect(a.RemoveNulls(), before - static_cast<int>(m.size()), "RemoveNulls");
      }
      case 6:  // a negative count does nothing
        Pick(2) ? a.Resize(n, v) : a.Size(n, v);
        return n < 0 ? "" : (m.resize(static_cast<std::size_t>(n), v), grow(n), "");
      case 7:
        return a.Reserve(n), grow(n), "";
      case 8:
        a.swap(other.array);
        return std::swap(m, other.model), std::swap(t.capacity, other.capacity), "";
      case 9:  // copy assignment: the capacity grows only when the source does not fit
        a = operand;
        return m = operandModel, grow(static_cast<int>(m.size())), "";
      case 10:  // move assignment: the block (or a copy of the inline elements) changes hands
        if (&operand == &a) return a = std::move(operand), "";
        a = std::move(other.array);
        m = std::exchange(other.model, {});
        return t.capacity = std::exchange(other.capacity, kN), "";
      case 11: {  // constructions: a copy has the capacity of its size; a moved array is left empty
        const VelaArray<T> copy(a), built(size, m.data());
        VelaArray<T> moved(std::move(a));
        std::string failure = Matches(copy, m, Grown(kN, size, kN)) + Matches(built, m, Grown(kN, size, kN)) +
                              Matches(moved, m, t.capacity) + Matches(a, {}, kN);
        a = std::move(moved);
        return failure;
      }
      case 12:  // the storage is kept
        return a.RemoveAll(), m.clear(), "";
      case 13:
        return a.Reverse(), std::reverse(m.begin(), m.end()), "";
      case 14: {
        const int from = i - 1 + Pick(2);
        return Expect(a.Locate(v, from), from >= size ? -1 : IndexOf(m, v, from), "Locate");
      }
      case 15:
        if constexpr (kPointer) {  // another array or itself: each element it held once
          if (size + operand.Size() > 12 * kN) return "";
          a.Append(operand);
          return m.insert(m.end(), operandModel.begin(), operandModel.end()), grow(static_cast<int>(m.size())), "";
        } else {
          return a.RemoveDuplicates(), m.erase(std::unique(m.begin(), m.end()), m.end()), "";
        }
      case 16:
        if constexpr (kPointer) {  // the first occurrence of each; itself empties it
          const int before = static_cast<int>(m.size());
          for (const T& x : operandModel) {
            if (IndexOf(m, x) >= 0) m.erase(m.begin() + IndexOf(m, x));
          }
          return Expect(a.Remove(operand), before - static_cast<int>(m.size()), "Remove");
        } else {  // a negative count does nothing
          a.Fill(n, v);
          return n < 0 ? "" : (m.assign(static_cast<std::size_t>(n), v), grow(n), "");
        }
      case 17:
        if constexpr (kPointer) {  // sorted, then the lower bound when it is equal
          a.QuickSort(CompareAddresses);
          std::sort(m.begin(), m.end());
          const int at = static_cast<int>(std::lower_bound(m.begin(), m.end(), v) - m.begin());
          return Expect(a.BinarySearch(v, CompareAddresses), at < size && m[at] == v ? at : -1, "BinarySearch");
        } else {  // overwrites the elements, the size stays
          std::generate(m.begin(), m.end(), [this] { return Value(); });
          return a = m.data(), "";
        }
      default:
        return (a == other.array) != (m == other.model) || (a != other.array) != (m != other.model) ? "== differs" : "";
    }
  }

  Choices& c_;
  Tracked arrays_[2];
};

// Insertions, removals, look-ups, walks and RemoveAll, in fill and drain
// phases across many growth and shrink steps, under the policy identity (0),
// a hash shared by many elements (1), or strings (2: objects i and i + 150
// carry the same text).
std::string RunHashTableSequence(Choices& c, int policy, int steps);
// A table's bucket count, and the private UpToNiceModulo.
unsigned int HashTableBuckets(const VelaHashTable& t);
int UpToNiceModulo(int n);

// Orders pointers by the int they point to (descending when asked); counts
// the live objects.
class CountingByValue : public VelaMoreComparison<void*> {
 public:
  explicit CountingByValue(int& alive, bool descending = false) : alive_(alive), descending_(descending) { ++alive_; }
  ~CountingByValue() override;  // out of line: no compiler follows the last release into it
  bool less(void* const& a, void* const& b) const override {
    return descending_ ? *static_cast<int*>(b) < *static_cast<int*>(a) : *static_cast<int*>(a) < *static_cast<int*>(b);
  }

 private:
  int& alive_;
  bool descending_;
};

// Pushes, removals, pops and clears over 200 pointers to 120 values; the
// comparison object must be gone at the end.
std::string RunPriorityQueueSequence(Choices& c, int steps);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_CONTAINERMODELS_H
