#include "support/ContainerModels.h"

#include <iterator>
#include <set>

#include "vela/foundation/VelaString.h"

struct vela::detail::HashTableProbe {
  static unsigned int Buckets(const VelaHashTable& t) { return t.buckets_; }
  static int NiceModulo(int n) { return VelaHashTable::UpToNiceModulo(n); }
};

namespace vela::test {
namespace {

using Probe = vela::detail::HashTableProbe;

// The smallest m >= n that no prime of the table below m divides.
int Nice(int n) {
  for (int m = n;; ++m) {
    bool nice = true;
    for (int p : {2, 3, 5, 7, 11, 13, 17, 19}) nice = nice && !(p < m && m % p == 0);
    if (nice) return m;
  }
}

unsigned int CoarseHash(void* e) { return VelaSimpleHashIt(e) % 40u; }

// The cursor walk visits every stored element once, bucket after bucket; the
// walk of the hash value of e visits exactly the stored elements of that hash.
std::string CheckWalks(const VelaHashTable& t, std::vector<void*> stored, VelaHashTable::HashFunction hash, void* e) {
  const unsigned int buckets = Probe::Buckets(t);
  std::vector<void*> walked, same, expected;
  void* cursor = nullptr;
  for (void* x = t.GetNext(cursor); x && walked.size() <= stored.size(); x = t.GetNext(cursor)) {
    if (!walked.empty() && hash(x) % buckets < hash(walked.back()) % buckets) return "the walk goes back a bucket";
    walked.push_back(x);
  }
  for (void* x = t.GetFirst(hash(e)); x && same.size() <= stored.size(); x = t.GetNext(static_cast<const void*>(x))) {
    same.push_back(x);
  }
  std::copy_if(stored.begin(), stored.end(), std::back_inserter(expected), [&](void* x) { return hash(x) == hash(e); });
  for (auto* list : {&walked, &same, &expected, &stored}) std::sort(list->begin(), list->end());
  if (walked != stored || cursor != nullptr || t.Size() != static_cast<int>(stored.size())) return "the walk differs";
  return same == expected ? "" : "the walk of one hash value differs";
}

}  // namespace

CountingByValue::~CountingByValue() { --alive_; }

unsigned int HashTableBuckets(const VelaHashTable& t) { return Probe::Buckets(t); }
int UpToNiceModulo(int n) { return Probe::NiceModulo(n); }

std::string RunHashTableSequence(Choices& c, int policy, int steps) {
  static std::vector<std::uint64_t> slots(400);
  static const std::vector<VelaString> texts = [] {
    std::vector<VelaString> t;
    for (int i = 0; i < 300; ++i) t.emplace_back(("name" + std::to_string(i % 150 * 7919 % 1000)).c_str());
    return t;
  }();
  std::vector<void*> universe;
  for (std::size_t i = 0; i < (policy == 2 ? texts.size() : slots.size()); ++i) {
    universe.push_back(policy == 2 ? const_cast<VelaString*>(&texts[i]) : static_cast<void*>(&slots[i]));
  }
  const VelaHashTable::HashFunction hash = policy == 2 ? VelaStringPtrHashIt : policy == 1 ? CoarseHash : VelaSimpleHashIt;
  const VelaHashTable::CompareFunction compare = policy == 2 ? VelaStringPtrHashCompare : VelaSimpleHashCompare;
  VelaHashTable t(0, hash, compare);
  std::vector<void*> stored;  // one element of each class of equal ones
  unsigned int buckets = 11;  // at least doubled when full, about 1.1 times the count below a third
  const std::size_t high = (policy == 2 ? 150 : universe.size()) * 3 / 4;
  bool filling = true;
  std::size_t target = high;
  for (int step = 0; step < steps && !c.Exhausted(); ++step) {
    if (filling ? stored.size() >= target : stored.size() <= target) {
      filling = !filling;
      target = filling ? high / 3 + c.Bits() % (high - high / 3) : c.Bits() % 30;
    }
    // Mostly an absent element to insert or a stored one to remove, so that
    // the phases move; the rest are arbitrary (equal elements, absent ones).
    const int op = static_cast<int>(c.Pick(10));
    const bool insert = (op < 8) == filling;
    const auto find = [&](void* e) {
      return std::find_if(stored.begin(), stored.end(), [&](void* x) { return compare(x, e) != 0; });
    };
    void* e = universe[c.Pick(universe.size())];
    for (int tries = 0; insert && tries < 64 && find(e) != stored.end(); ++tries) e = universe[c.Pick(universe.size())];
    if (!insert && !stored.empty() && c.Pick(5) != 0) e = stored[c.Pick(stored.size())];
    const auto at = find(e);
    void* const was = at == stored.end() ? nullptr : *at;
    std::string failure;
    if (op == 9) {
      if (t.Locate(e) != was || (!was && t.GetNext(static_cast<const void*>(e)) != nullptr)) failure = "Locate differs";
      if (c.Pick(40) == 0) t.RemoveAll(), stored.clear();  // the bucket count stays
    } else if (insert) {
      if (t.Insert(e) != (was ? was : e)) failure = "Insert differs";
      if (!was && stored.size() == buckets) buckets = static_cast<unsigned int>(Nice(2 * static_cast<int>(buckets)));
      if (!was) stored.push_back(e);
    } else {
      if (t.Remove(e) != was) failure = "Remove differs";
      if (was) stored.erase(at);
      if (was && 3 * stored.size() < buckets && stored.size() >= 12) {
        buckets = static_cast<unsigned int>(std::max(11, Nice(static_cast<int>(stored.size() * 1.1))));
      }
    }
    if (failure.empty() && Probe::Buckets(t) != buckets) failure = "the bucket count differs";
    if (failure.empty()) failure = CheckWalks(t, stored, hash, e);
    if (!failure.empty()) return "step " + std::to_string(step) + ": " + failure;
  }
  return "";
}

std::string RunPriorityQueueSequence(Choices& c, int steps) {
  int alive = 0;
  std::vector<int> values(200);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int>(i * 7919 % 120);
  std::string failure;
  {
    const VelaMore<void*> more(new CountingByValue(alive));
    const auto before = [&more](void* x, void* y) { return more(y, x); };
    std::set<void*, decltype(before)> model(before);
    VelaPriorityQueueWrapper<void*, VelaMore<void*>> q(more);
    for (int step = 0; step < steps && failure.empty() && !c.Exhausted(); ++step) {
      void* e = &values[c.Pick(values.size())];
      const std::size_t op = c.Pick(6);
      if (op < 3) q.Push(e), model.insert(e);
      if (op == 3) q.Remove(e), model.erase(e);
      if (op == 4 && (q.Pop(), !model.empty())) model.erase(model.begin());  // Pop of nothing too
      if (op == 5 && c.Pick(50) == 0) q.Clear(), model.clear();
      // The elements from greatest to least, popped from a copy.
      std::vector<void*> drained;
      for (auto copy = q; !copy.Empty(); copy.Pop()) drained.push_back(copy.Top());
      const std::vector<void*> order(model.begin(), model.end());
      if (q.Size() != static_cast<int>(order.size()) || q.Top() != (order.empty() ? nullptr : order[0]) || drained != order) {
        failure = "step " + std::to_string(step) + ": the queue differs";
      }
    }
  }
  return failure.empty() && alive != 0 ? "the comparison object outlived its last handle" : failure;
}

}  // namespace vela::test
