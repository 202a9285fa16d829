#include "support/ContainerModels.h"

#include <set>

namespace vela::test {

std::string CheckHashTableWalks(const VelaHashTable& t, const std::vector<void*>& stored,
                                VelaHashTable::HashFunction hash) {
  if (t.Size() != static_cast<int>(stored.size())) return "Size differs";
  for (void* e : stored) {
    if (t.Locate(e) != e) return "a stored element is not located";
  }
  std::vector<void*> walked;
  void* cursor = nullptr;
  while (void* x = t.GetNext(cursor)) {
    walked.push_back(x);
    if (walked.size() > stored.size()) return "the cursor walk does not end";
  }
  if (cursor != nullptr) return "the cursor is not reset at the end of the walk";
  std::vector<void*> expected = stored;
  std::sort(expected.begin(), expected.end());
  std::sort(walked.begin(), walked.end());
  if (walked != expected) return "the cursor walk does not visit each element once";

  std::unordered_set<unsigned int> hashes;
  for (void* x : stored) hashes.insert(hash(x));
  std::size_t visited = 0;
  for (unsigned int h : hashes) {
    for (void* x = t.GetFirst(h); x != nullptr; x = t.GetNext(static_cast<const void*>(x))) {
      if (hash(x) != h) return "a same-hash walk leaves its hash";
      if (++visited > stored.size()) return "the same-hash walks visit too many elements";
    }
  }
  return visited == stored.size() ? "" : "the same-hash walks miss elements";
}

namespace {

// Pops a copy of q empty, giving the elements from greatest to least.
using Queue = VelaPriorityQueueWrapper<void*, VelaMore<void*>>;
std::vector<void*> Drain(const Queue& q) {
  Queue copy(q);
  std::vector<void*> out;
  while (!copy.Empty()) {
    out.push_back(copy.Top());
    copy.Pop();
  }
  return out;
}

std::string Compare(const Queue& q, const std::vector<void*>& model) {
  if (q.Size() != static_cast<int>(model.size()) || q.Empty() != model.empty()) return "size differs";
  if (q.Top() != (model.empty() ? nullptr : model.front())) return "Top differs";
  return Drain(q) == model ? "" : "the drained order differs";
}

}  // namespace

std::string RunPriorityQueueSequence(Choices& c, int steps) {
  int alive = 0;
  std::vector<int> values(200);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int>(i * 7919 % 120);
  std::string failure;
  {
    VelaMore<void*> more(new CountingByValue(alive));
    struct ModelOrder {
      VelaMore<void*> more;
      bool operator()(void* x, void* y) const { return more(y, x); }
    };
    std::set<void*, ModelOrder> model(ModelOrder{more});
    Queue q(more);
    for (int step = 0; step < steps && failure.empty() && !c.Exhausted(); ++step) {
      void* e = &values[c.Pick(values.size())];
      switch (c.Pick(6)) {
        case 0:
        case 1:
        case 2:
          q.Push(e);
          model.insert(e);
          break;
        case 3:
          q.Remove(e);
          model.erase(e);
          break;
        case 4:
          q.Pop();
          if (!model.empty()) model.erase(model.begin());
          break;
        default:
          if (c.Pick(50) == 0) {
            q.Clear();
            model.clear();
          }
          break;
      }
      failure = Compare(q, std::vector<void*>(model.begin(), model.end()));
      if (!failure.empty()) failure = "step " + std::to_string(step) + ": " + failure;
    }
  }
  if (failure.empty() && alive != 0) failure = "the comparison object outlived its last handle";
  return failure;
}

}  // namespace vela::test
