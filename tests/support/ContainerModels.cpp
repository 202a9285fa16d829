#include "support/ContainerModels.h"

#include <set>

#include "vela/foundation/VelaString.h"

// The whole layout of a table as one list: the pool in order, then the chain
// of each bucket (so the bucket count is the list's length less one).
struct vela::detail::HashTableProbe {
  static std::vector<std::vector<void*>> Layout(const VelaHashTable& t) {
    std::vector<std::vector<void*>> layout(1);
    for (int i = 0; i < t.Size(); ++i) layout[0].push_back(t.Get(i));
    for (unsigned int b = 0; b < t.buckets_; ++b) {
      layout.emplace_back();
      for (const VelaHashTable::Node* n = t.Heads()[b]; n && layout.back().size() <= t.count_; n = n->next) {
        layout.back().push_back(n->element);
      }
    }
    return layout;
  }
  static int NiceModulo(int n) { return VelaHashTable::UpToNiceModulo(n); }
};

namespace vela::test {
namespace {

using Layout = std::vector<std::vector<void*>>;
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

// The cursor walk goes through the buckets in order, each chain in order; the
// walk of one hash value (that of e, and of the last element stored) through
// the matching elements of its chain.
std::string CheckWalks(const VelaHashTable& t, const Layout& layout, VelaHashTable::HashFunction hash, void* touched) {
  std::vector<void*> expected, walked;
  for (std::size_t b = 1; b < layout.size(); ++b) expected.insert(expected.end(), layout[b].begin(), layout[b].end());
  void* cursor = nullptr;
  while (void* x = t.GetNext(cursor)) {
    walked.push_back(x);
    if (walked.size() > expected.size()) break;
  }
  if (walked != expected || cursor != nullptr || t.Size() != static_cast<int>(layout[0].size())) return "the walk differs";
  for (void* e : {layout[0].empty() ? nullptr : layout[0].back(), touched}) {
    if (!e || std::find(layout[0].begin(), layout[0].end(), e) == layout[0].end()) continue;
    std::vector<void*> same, model;
    for (void* x = t.GetFirst(hash(e)); x && same.size() < walked.size(); x = t.GetNext(static_cast<const void*>(x))) {
      same.push_back(x);
    }
    for (void* x : layout[1 + hash(e) % (layout.size() - 1)]) {
      if (hash(x) == hash(e)) model.push_back(x);
    }
    if (same != model) return "the walk of one hash value differs";
  }
  return "";
}

}  // namespace

CountingByValue::~CountingByValue() { --alive_; }

unsigned int HashTableBuckets(const VelaHashTable& t) { return static_cast<unsigned int>(Probe::Layout(t).size() - 1); }
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
  Layout layout(12);  // the pool, then 11 empty chains
  const auto rebuild = [&](int buckets) {  // a reallocation keeps the chains in pool order
    const std::vector<void*> pool = layout[0];
    layout.assign(static_cast<std::size_t>(buckets) + 1, {});
    layout[0] = pool;
    for (void* x : pool) layout[1 + hash(x) % static_cast<unsigned int>(buckets)].push_back(x);
  };
  const std::size_t high = (policy == 2 ? 150 : universe.size()) * 3 / 4;
  bool filling = true;
  std::size_t target = high;
  for (int step = 0; step < steps && !c.Exhausted(); ++step) {
    std::vector<void*>& pool = layout[0];
    const unsigned int buckets = static_cast<unsigned int>(layout.size() - 1);
    if (filling ? pool.size() >= target : pool.size() <= target) {
      filling = !filling;
      target = filling ? high / 3 + c.Bits() % (high - high / 3) : c.Bits() % 30;
    }
    // Mostly an absent element to insert or a stored one to remove, so that
    // the phases move; the rest are arbitrary (equal elements, absent ones).
    const int op = static_cast<int>(c.Pick(10));
    const bool insert = (op < 8) == filling;
    const auto storedAs = [&](void* e) {
      return std::find_if(pool.begin(), pool.end(), [&](void* x) { return compare(x, e) != 0; }) - pool.begin();
    };
    void* e = universe[c.Pick(universe.size())];
    for (int tries = 0; insert && tries < 64 && storedAs(e) < static_cast<long>(pool.size()); ++tries) {
      e = universe[c.Pick(universe.size())];
    }
    if (!insert && !pool.empty() && c.Pick(5) != 0) e = pool[c.Pick(pool.size())];
    const std::size_t at = static_cast<std::size_t>(storedAs(e));
    void* const stored = at < pool.size() ? pool[at] : nullptr;
    std::string failure;
    if (op == 9) {
      if (t.Locate(e) != stored || (!stored && t.GetNext(static_cast<const void*>(e)) != nullptr)) failure = "Locate differs";
      if (c.Pick(40) == 0) t.RemoveAll(), layout.assign(buckets + 1, {});  // the bucket count stays
    } else if (insert) {
      if (t.Insert(e) != (stored ? stored : e)) failure = "Insert differs";
      if (!stored && pool.size() == buckets) rebuild(Nice(2 * static_cast<int>(buckets)));
      if (!stored) layout[0].push_back(e), layout[1 + hash(e) % (layout.size() - 1)].push_back(e);
    } else {
      if (t.Remove(e) != stored) failure = "Remove differs";
      if (stored) {  // the last pool node moves into the hole
        std::vector<void*>& chain = layout[1 + hash(stored) % buckets];
        chain.erase(std::find(chain.begin(), chain.end(), stored));
        pool[at] = pool.back();
        pool.pop_back();
        if (3 * pool.size() < buckets && pool.size() >= 12) rebuild(std::max(11, Nice(static_cast<int>(pool.size() * 1.1))));
      }
    }
    if (failure.empty()) failure = Probe::Layout(t) == layout ? CheckWalks(t, layout, hash, e) : "the layout differs";
    if (!failure.empty()) return "step " + std::to_string(step) + ": " + failure;
  }
  return "";
}

namespace {

using Queue = VelaPriorityQueueWrapper<void*, VelaMore<void*>>;

// The elements from greatest to least, popped from a copy.
std::vector<void*> Drain(Queue copy) {
  std::vector<void*> out;
  for (; !copy.Empty(); copy.Pop()) out.push_back(copy.Top());
  return out;
}

}  // namespace

std::string RunPriorityQueueSequence(Choices& c, int steps) {
  int alive = 0;
  std::vector<int> values(200);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int>(i * 7919 % 120);
  std::string failure;
  {
    const VelaMore<void*> more(new CountingByValue(alive));
    const auto before = [&more](void* x, void* y) { return more(y, x); };
    std::set<void*, decltype(before)> model(before);
    Queue q(more);
    for (int step = 0; step < steps && failure.empty() && !c.Exhausted(); ++step) {
      void* e = &values[c.Pick(values.size())];
      switch (c.Pick(6)) {
        case 0:
        case 1:
        case 2:
          q.Push(e), model.insert(e);
          break;
        case 3:
          q.Remove(e), model.erase(e);
          break;
        case 4:
          q.Pop();
          if (!model.empty()) model.erase(model.begin());
          break;
        default:
          if (c.Pick(50) == 0) q.Clear(), model.clear();
          break;
      }
      const std::vector<void*> order(model.begin(), model.end());
      if (q.Size() != static_cast<int>(order.size()) || q.Top() != (order.empty() ? nullptr : order[0]) || Drain(q) != order) {
        failure = "step " + std::to_string(step) + ": the queue differs";
      }
    }
  }
  return failure.empty() && alive != 0 ? "the comparison object outlived its last handle" : failure;
}

}  // namespace vela::test
