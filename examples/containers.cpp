// vela_example_containers: keep solver objects in the hash table and
// schedule them with the priority queue.
//
// Both containers hold pointers to objects that live elsewhere: they never
// copy, own or free them.

#include <iostream>

#include "vela/VelaUtilities.h"

namespace {

struct Constraint {
  const char* name;
  double priority;
};

// Identity: the table answers "is this very object registered?".
void ByIdentity(VelaStream& out, Constraint* constraints, int count) {
  out << "-- hash table by identity" << velendl;
  // [guide:hash-identity]
  VelaHashTable registered;  // identity policy, 11 buckets to start with
  for (int i = 0; i < count; ++i) registered.Insert(&constraints[i]);
  void* again = registered.Insert(&constraints[0]);  // already there: returned, not added
  registered.Remove(&constraints[1]);
  const bool found = registered.Locate(&constraints[2]) != nullptr;
  // [guide:hash-identity]
  out << "size after inserting " << count << " and removing one: " << registered.Size() << velendl;
  out << "second insert of " << constraints[0].name << " returned the stored element: "
      << (again == &constraints[0] ? "yes" : "no") << velendl;
  out << constraints[2].name << " is registered: " << (found ? "yes" : "no") << velendl;
  out << constraints[1].name << " is registered: "
      << (registered.Locate(&constraints[1]) ? "yes" : "no") << velendl;
}

// String keys: any VelaString with the same text finds the stored one.
void ByName(VelaStream& out) {
  out << "-- hash table by name" << velendl;
  // [guide:hash-name]
  VelaString names[] = {"line", "circle", "point", "arc"};
  VelaHashTable byName(0, VelaStringPtrHashIt, VelaStringPtrHashCompare);
  for (VelaString& name : names) byName.Insert(&name);
  VelaString probe("circle");  // another object with the same text
  auto* stored = static_cast<VelaString*>(byName.Locate(&probe));
  // [guide:hash-name]
  out << "lookup of \"circle\" finds the stored string: " << (stored == &names[1] ? "yes" : "no")
      << velendl;

  // The walk order follows the hash of the text, so it is the same in every
  // run (a walk over an identity table follows addresses and is not).
  out << "walk:";
  // [guide:hash-walk]
  void* cursor = nullptr;
  while (void* element = byName.GetNext(cursor)) {
    out << " " << *static_cast<VelaString*>(element);
  }
  // [guide:hash-walk]
  out << velendl;
}

// The queue orders by the priority first and the name second: elements that
// compare equivalent count as one, and a later one is ignored.
// [guide:priority-queue]
struct ByPriority : VelaMoreComparison<void*> {
  bool less(void* const& a, void* const& b) const override {
    const auto* x = static_cast<const Constraint*>(a);
    const auto* y = static_cast<const Constraint*>(b);
    if (x->priority != y->priority) return x->priority < y->priority;
    return VelaString(x->name) > VelaString(y->name);  // equal priorities: by name
  }
};
// [guide:priority-queue]

void Schedule(VelaStream& out, Constraint* constraints, int count) {
  out << "-- priority queue" << velendl;
  // [guide:priority-queue-use]
  VelaPriorityQueueWrapper<void*, VelaMore<void*>> queue{VelaMore<void*>(new ByPriority)};
  for (int i = 0; i < count; ++i) queue.Push(&constraints[i]);
  queue.Push(&constraints[0]);      // already queued: ignored
  queue.Remove(&constraints[3]);    // any element can leave, not just the top
  while (!queue.Empty()) {
    const auto* next = static_cast<const Constraint*>(queue.Top());
    out << next->name << " (" << next->priority << ")" << velendl;
    queue.Pop();
  }
  // [guide:priority-queue-use]
}

}  // namespace

int main() {
  VelaStream out(&std::cout);
  Constraint constraints[] = {{"distance", 2.0}, {"angle", 1.0},     {"tangency", 3.0},
                              {"parallel", 0.5}, {"coincidence", 2.0}};
  const int count = static_cast<int>(sizeof(constraints) / sizeof(constraints[0]));
  ByIdentity(out, constraints, count);
  ByName(out);
  Schedule(out, constraints, count);
  return 0;
}
