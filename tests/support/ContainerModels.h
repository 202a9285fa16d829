// The containers against the standard ones, as operation sequences shared by
// the container tests and the containers fuzzer:
// - the four bit-copied arrays against std::vector, capacities included;
// - the hash table against a map of its keys, through its public walks (the
//   table test adds a layout model through HashTableObserver);
// - the priority queue against std::set with the same comparator.
// Each sequence returns its first disagreement as a text ("" when none) and
// stops early when its choices run dry.
#ifndef VELA_TESTS_SUPPORT_CONTAINERMODELS_H
#define VELA_TESTS_SUPPORT_CONTAINERMODELS_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "support/Choices.h"
#include "vela/containers/VelaArray.h"
#include "vela/containers/VelaHashTable.h"
#include "vela/containers/VelaPriorityQueue.h"

namespace vela::test {

// ---- Arrays ------------------------------------------------------------------

template <class T>
constexpr int kInline = VelaArray<T>::InlineCapacity;

// The growth rule: exactly what is needed on leaving the inline buffer, then
// doubling.
inline void Grow(int& capacity, int needed, int inlineCapacity) {
  if (capacity >= needed) return;
  if (capacity == inlineCapacity) {
    capacity = needed;
    return;
  }
  while (capacity < needed) capacity *= 2;
}

// True while the array's elements live inside the array object itself.
template <class A>
bool UsesOwnStorage(const A& a) {
  const auto data = reinterpret_cast<std::uintptr_t>(a.GetBuffer());
  const auto self = reinterpret_cast<std::uintptr_t>(&a);
  return data >= self && data < self + sizeof(A);
}

template <class T>
bool SameBits(const VelaArray<T>& a, const std::vector<T>& v) {
  return a.Size() == static_cast<int>(v.size()) &&
         (v.empty() || std::memcmp(a.GetBuffer(), v.data(), v.size() * sizeof(T)) == 0);
}

inline int CompareAddresses(const void* a, const void* b) {
  const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

// Eight values per type, with zeros, a negative zero, a NaN and repeats.
template <class T>
T PoolValue(Choices& choices) {
  const int k = static_cast<int>(choices.Pick(8));
  if constexpr (std::is_same_v<T, double>) {
    const double pool[] = {0.0, -0.0, 1.0, 2.5, -3.0, std::numeric_limits<double>::quiet_NaN(), 7.0, 1e300};
    return pool[k];
  } else if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(static_cast<std::uintptr_t>(k) * 8);
  } else {
    return static_cast<T>(k - (std::is_same_v<T, int> ? 2 : 0));
  }
}

// Two arrays and their models; each step works on one of them, with the
// other as the second operand.
template <class T>
class ArrayModel {
 public:
  explicit ArrayModel(Choices& choices) : c_(choices) {}

  std::string Run(int steps) {
    for (int step = 0; step < steps && !c_.Exhausted(); ++step) {
      const int which = Index(2);
      std::string failure = Step(arrays_[which], arrays_[1 - which]);
      for (const Tracked& t : arrays_) {
        if (failure.empty()) failure = Matches(t);
      }
      if (!failure.empty()) return "step " + std::to_string(step) + ": " + failure;
    }
    return "";
  }

 private:
  static constexpr int kN = kInline<T>;
  struct Tracked {
    VelaArray<T> array;
    std::vector<T> model;
    int capacity = kN;
  };

  int Index(int n) { return static_cast<int>(c_.Pick(static_cast<std::size_t>(n))); }

  static std::string Matches(const Tracked& t) {
    if (!SameBits(t.array, t.model)) return "elements differ from the model";
    if (t.array.Capacity() != t.capacity) {
      return "capacity " + std::to_string(t.array.Capacity()) + ", expected " + std::to_string(t.capacity);
    }
    if (UsesOwnStorage(t.array) != (t.capacity == kN)) return "inline buffer use differs";
    return "";
  }
  static std::string Expect(int got, int expected, const char* what) {
    return got == expected ? "" : std::string(what) + " gave " + std::to_string(got) + ", expected " +
                                      std::to_string(expected);
  }

  std::string Step(Tracked& t, Tracked& other) {
    const int size = static_cast<int>(t.model.size());
    const T value = PoolValue<T>(c_);
    const int op = Index(20);
    if (op <= 8) return Grows(t, op, size, value);
    if (op <= 13) return Moves(t, other, op, size);
    return Searches(t, other, op, size, value);
  }

  std::string Grows(Tracked& t, int op, int size, const T& value) {
    VelaArray<T>& a = t.array;
    std::vector<T>& m = t.model;
    switch (op) {
      case 0:
      case 1:
        a.Append(value);
        m.push_back(value);
        Grow(t.capacity, size + 1, kN);
        return "";
      case 2: {
        const int i = Index(size + 1);
        if constexpr (std::is_pointer_v<T>) {
          a.Insert(value, i);
        } else {
          a.Insert(i, value);
        }
        m.insert(m.begin() + i, value);
        Grow(t.capacity, size + 1, kN);
        return "";
      }
      case 3: {
        const int i = Index(size + 8);
        a.Set(i, value);
        if (i >= size) m.resize(static_cast<std::size_t>(i) + 1, T());
        m[static_cast<std::size_t>(i)] = value;
        Grow(t.capacity, i + 1, kN);
        return "";
      }
      case 4:
        if (size == 0) return "";
        {
          const int i = Index(size);
          if constexpr (std::is_pointer_v<T>) {
            a.RemovePosition(i);
          } else {
            (i % 2) ? a.RemoveAt(i) : a.RemovePosition(i);
          }
          m.erase(m.begin() + i);
        }
        return "";
      case 5: {
        const auto hit = std::find(m.begin(), m.end(), value);
        const int expected = hit == m.end() ? -1 : static_cast<int>(hit - m.begin());
        if (hit != m.end()) m.erase(hit);
        return Expect(a.RemoveValue(value), expected, "RemoveValue");
      }
      case 6: {
        const auto kept = std::remove_if(m.begin(), m.end(), [](const T& x) { return x == T(); });
        const int removed = static_cast<int>(m.end() - kept);
        m.erase(kept, m.end());
        return Expect(a.RemoveNulls(), removed, "RemoveNulls");
      }
      case 7: {
        const int n = Index(3 * kN);
        a.Resize(n, value);
        m.resize(static_cast<std::size_t>(n), value);
        Grow(t.capacity, n, kN);
        return "";
      }
      default: {
        const int n = Index(4 * kN);
        a.Reserve(n);
        Grow(t.capacity, n, kN);
        return "";
      }
    }
  }

  std::string Moves(Tracked& t, Tracked& other, int op, int size) {
    VelaArray<T>& a = t.array;
    std::vector<T>& m = t.model;
    switch (op) {
      case 9:
        if constexpr (std::is_pointer_v<T>) {
          a.swap(other.array);
        } else {
          a.Swap(other.array);
        }
        std::swap(t.model, other.model);
        std::swap(t.capacity, other.capacity);
        return "";
      case 10:
        a = other.array;
        m = other.model;
        Grow(t.capacity, static_cast<int>(m.size()), kN);
        return "";
      case 11:
        a = std::move(other.array);
        m = std::move(other.model);
        other.model.clear();
        t.capacity = other.capacity;
        other.capacity = kN;
        return "";
      case 12: {
        const VelaArray<T> copy(a);
        int copyCapacity = kN;
        Grow(copyCapacity, size, kN);
        if (copy.Capacity() != copyCapacity || !SameBits(copy, m)) return "copy construction differs";
        VelaArray<T> moved(std::move(a));
        if (!a.IsEmpty()) return "a moved-from array is not empty";
        a = std::move(moved);
        return "";
      }
      default:
        a.RemoveAll();
        m.clear();
        return "";
    }
  }

  std::string Searches(Tracked& t, Tracked& other, int op, int size, const T& value) {
    VelaArray<T>& a = t.array;
    std::vector<T>& m = t.model;
    switch (op) {
      case 14:
        a.Reverse();
        std::reverse(m.begin(), m.end());
        return "";
      case 15: {
        const int from = Index(size + 2) - 1;
        const auto hit = std::find(m.begin() + std::max(from, 0), m.end(), value);
        return Expect(a.Locate(value, from), hit == m.end() ? -1 : static_cast<int>(hit - m.begin()), "Locate");
      }
      case 16:
        if constexpr (std::is_pointer_v<T>) {
          VelaArray<T>& source = Index(2) ? a : other.array;
          if (size + source.Size() > 12 * kN) return "";
          const std::vector<T> appended(source.begin(), source.end());
          a.Append(source);
          m.insert(m.end(), appended.begin(), appended.end());
          Grow(t.capacity, static_cast<int>(m.size()), kN);
        } else {
          a.RemoveDuplicates();
          m.erase(std::unique(m.begin(), m.end()), m.end());
        }
        return "";
      case 17:
        if constexpr (std::is_pointer_v<T>) {
          const bool self = Index(2);
          const std::vector<T> removed = self ? m : other.model;
          int found = 0;
          for (const T& x : removed) {
            const auto hit = std::find(m.begin(), m.end(), x);
            if (hit != m.end()) m.erase(hit), ++found;
          }
          return Expect(a.Remove(self ? a : other.array), found, "Remove(array)");
        } else {
          const int n = Index(3 * kN);
          a.Fill(n, value);
          m.assign(static_cast<std::size_t>(n), value);
          Grow(t.capacity, n, kN);
          return "";
        }
      case 18:
        if constexpr (std::is_pointer_v<T>) {
          const auto less = [](T x, T y) { return CompareAddresses(x, y) < 0; };
          a.QuickSort(CompareAddresses);
          std::sort(m.begin(), m.end(), less);
          const auto low = std::lower_bound(m.begin(), m.end(), value, less);
          const int expected = low != m.end() && *low == value ? static_cast<int>(low - m.begin()) : -1;
          return Expect(a.BinarySearch(value, CompareAddresses), expected, "BinarySearch");
        } else {
          std::vector<T> values(m.size());
          for (T& x : values) x = PoolValue<T>(c_);
          a = values.data();
          m = values;
          return "";
        }
      default:
        if ((a == other.array) != (m == other.model) || (a != other.array) != (m != other.model)) {
          return "comparison differs";
        }
        return "";
    }
  }

  Choices& c_;
  Tracked arrays_[2];
};

// ---- Hash table ----------------------------------------------------------------

// Told of every change a hash-table sequence makes, for a finer model than
// the public walks allow. Each call returns a disagreement or "".
class HashTableObserver {
 public:
  virtual ~HashTableObserver() = default;
  // Before each operation.
  virtual void Before(const VelaHashTable& table) = 0;
  // e was stored (it was absent).
  virtual std::string Inserted(const VelaHashTable& table, void* e) = 0;
  // The stored element `stored` was removed.
  virtual std::string Removed(const VelaHashTable& table, void* stored) = 0;
  // After every step.
  virtual std::string Check(const VelaHashTable& table) = 0;
};

// What the public interface shows: the stored elements, each locatable, the
// cursor walk visiting each once, the same-hash walks covering each once.
std::string CheckHashTableWalks(const VelaHashTable& t, const std::vector<void*>& stored,
                                VelaHashTable::HashFunction hash);

// Insertions, removals and look-ups over `universe`, in fill and drain
// phases that cross several growth and shrink steps; elements are keyed as
// the table's policy sees them (keyOf).
template <typename Key, typename KeyOf>
std::string RunHashTableSequence(Choices& c, const std::vector<void*>& universe, VelaHashTable::HashFunction hash,
                                 VelaHashTable::CompareFunction compare, KeyOf keyOf, int steps,
                                 HashTableObserver* observer) {
  VelaHashTable t(0, hash, compare);
  std::unordered_map<Key, void*> stored;
  std::vector<void*> elements;  // in the table's pool order: removal moves the last into the hole
  std::unordered_set<Key> keys;
  for (void* e : universe) keys.insert(keyOf(e));
  const std::size_t high = keys.size() * 3 / 4;
  bool filling = true;
  std::size_t target = high;
  for (int step = 0; step < steps && !c.Exhausted(); ++step) {
    const std::string at = "step " + std::to_string(step) + ": ";
    if (filling ? stored.size() >= target : stored.size() <= target) {
      filling = !filling;
      target = filling ? high / 3 + c.Bits() % (high - high / 3) : c.Bits() % 30;
    }
    const int op = static_cast<int>(c.Pick(10));
    // Mostly an absent element to insert or a stored one to remove, so the
    // phases move; the rest are arbitrary (duplicates, absent removals).
    void* e = universe[c.Pick(universe.size())];
    if (c.Pick(5) != 0) {
      if ((op < 8) == filling) {
        for (int tries = 0; tries < 64 && stored.count(keyOf(e)) != 0; ++tries) e = universe[c.Pick(universe.size())];
      } else if (!elements.empty()) {
        e = elements[c.Pick(elements.size())];
      }
    }
    const auto it = stored.find(keyOf(e));
    void* const expected = it == stored.end() ? nullptr : it->second;
    if (observer) observer->Before(t);
    std::string failure;
    if (op == 9) {
      if (t.Locate(e) != expected) failure = "Locate differs";
    } else if ((op < 8) == filling) {
      void* const got = t.Insert(e);
      if (got != (expected ? expected : e)) {
        failure = "Insert differs";
      } else if (!expected) {
        stored.emplace(keyOf(e), e);
        elements.push_back(e);
        if (observer) failure = observer->Inserted(t, e);
      }
    } else {
      if (t.Remove(e) != expected) {
        failure = "Remove differs";
      } else if (expected) {
        stored.erase(it);
        *std::find(elements.begin(), elements.end(), expected) = elements.back();
        elements.pop_back();
        if (observer) failure = observer->Removed(t, expected);
      }
    }
    if (failure.empty()) failure = CheckHashTableWalks(t, elements, hash);
    if (failure.empty() && observer) failure = observer->Check(t);
    if (!failure.empty()) return at + failure;
  }
  return "";
}

// ---- Priority queue ----------------------------------------------------------

// Orders pointers by the int they point to (ascending = higher priority when
// `descending` is false). Counts live objects, so that a test sees the
// destruction of the last reference.
class CountingByValue : public VelaMoreComparison<void*> {
 public:
  explicit CountingByValue(int& alive, bool descending = false) : alive_(alive), descending_(descending) {
    ++alive_;
  }
  ~CountingByValue() override { --alive_; }
  bool less(void* const& a, void* const& b) const override {
    const int x = *static_cast<int*>(a);
    const int y = *static_cast<int*>(b);
    return descending_ ? y < x : x < y;
  }

 private:
  int& alive_;
  bool descending_;
};

// Pushes, removals, pops and clears over 200 pointers to 120 distinct values
// (many equivalent pairs), against std::set with the same comparator; the
// comparison object must be gone at the end.
std::string RunPriorityQueueSequence(Choices& c, int steps);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_CONTAINERMODELS_H
