// The graph model: adjacency arrays, paths and their ranking, vertices with
// their blocking counters and sorted adjacency, edges.
#include "vela/graph/VelaGraph.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

// ---- VelaAdjacent -------------------------------------------------------------

VelaAdjacent::VelaAdjacent() noexcept : size_(0), capacity_(0), entries_(nullptr) {}

VelaAdjacent::VelaAdjacent(const VelaAdjacent& other) : VelaAdjacent() { *this = other; }

VelaAdjacent::VelaAdjacent(VelaAdjacent&& other) noexcept
    : size_(other.size_), capacity_(other.capacity_), entries_(other.entries_) {
  other.size_ = 0;
  other.capacity_ = 0;
  other.entries_ = nullptr;
}

VelaAdjacent& VelaAdjacent::operator=(const VelaAdjacent& other) {
  if (this == &other) return *this;
  if (other.size_ > capacity_) {
    delete[] entries_;
    entries_ = new VelaVertexEdge[other.size_];
    capacity_ = other.size_;
  }
  if (other.size_ > 0) std::memcpy(entries_, other.entries_, sizeof(VelaVertexEdge) * other.size_);
  size_ = other.size_;
  return *this;
}

VelaAdjacent& VelaAdjacent::operator=(VelaAdjacent&& other) noexcept {
  if (this == &other) return *this;
  delete[] entries_;
  size_ = other.size_;
  capacity_ = other.capacity_;
  entries_ = other.entries_;
  other.size_ = 0;
  other.capacity_ = 0;
  other.entries_ = nullptr;
  return *this;
}

VelaAdjacent::~VelaAdjacent() { delete[] entries_; }

void VelaAdjacent::Append(VelaGraphVertex* v, VelaGraphEdge* e) {
  if (size_ == capacity_) {
    // Doubling keeps appends amortised O(1); the cap keeps the count in int.
    const int maxCapacity = std::numeric_limits<int>::max();
    const int grown = capacity_ == 0 ? 4 : (capacity_ > maxCapacity / 2 ? maxCapacity : capacity_ * 2);
    VelaVertexEdge* fresh = new VelaVertexEdge[grown];
    if (size_ > 0) std::memcpy(fresh, entries_, sizeof(VelaVertexEdge) * size_);
    delete[] entries_;
    entries_ = fresh;
    capacity_ = grown;
  }
  entries_[size_].vertex = v;
  entries_[size_].edge = e;
  ++size_;
}

// ---- VelaPath and VelaTriplet -----------------------------------------------------

void VelaPath::Count(const VelaGraphEdge* e) {
  if (!e) return;
  if (e->priority == 0) ++priority0Count_;
  else if (e->priority == 1) ++priority1Count_;
}

void VelaPath::Append(VelaGraphVertex* v, VelaGraphEdge* e) {
  VelaAdjacent::Append(v, e);
  Count(e);
}

void VelaPath::SetFirstEdge(VelaGraphEdge* e) {
  VelaAdjacent::SetFirstEdge(e);
  Count(e);
}

VelaTriplet::VelaTriplet(VelaGraphVertex* x, VelaGraphVertex* u, VelaGraphEdge* e1, VelaGraphVertex* y,
                         VelaGraphEdge* e2) {
  if (!e1 || !e2) return;
  Append(x, nullptr);
  Append(u, e1);
  Append(y, e2);
}

// ---- VelaGraphVertex ----------------------------------------------------------------

VelaGraphVertex::VelaGraphVertex() : VelaGraphVertex(VelaString()) {}

VelaGraphVertex::VelaGraphVertex(const VelaString& name)
    : name_(name), index_(-1), otherIndex_(-1), color_(0), blocked_(0), adjacency_(), labelLimit_(-1) {}

VelaGraphVertex::VelaGraphVertex(const VelaGraphVertex& other) = default;
VelaGraphVertex& VelaGraphVertex::operator=(const VelaGraphVertex& other) = default;
VelaGraphVertex::~VelaGraphVertex() = default;

const VelaString& VelaGraphVertex::GetName() const { return name_; }

void VelaGraphVertex::AddAdjacentVertex(VelaGraphVertex* v, VelaGraphEdge* e) { adjacency_.Append(v, e); }

void VelaGraphVertex::BlockNeighbors() {
  for (VelaVertexEdge* p = adjacency_.Begin(); p != adjacency_.End() && p->vertex; ++p) ++p->vertex->blocked_;
}

void VelaGraphVertex::UnBlockNeighbors() {
  for (VelaVertexEdge* p = adjacency_.Begin(); p != adjacency_.End() && p->vertex; ++p) --p->vertex->blocked_;
}

namespace {

// Ascending neighbour index. Empty vertex pointers form one class placed
// after all the others, so the comparison stays a strict weak order.
bool OrdersBefore(const VelaVertexEdge& a, const VelaVertexEdge& b) {
  return a.vertex && (!b.vertex || a.vertex->GetIndex() < b.vertex->GetIndex());
}

// A stable sort, so that parallel edges keep their creation order through
// any number of sorts. Most adjacencies are short: they are sorted by
// insertion, which needs no buffer; long ones by the standard merge sort.
void StableSortEntries(VelaVertexEdge* first, VelaVertexEdge* last) {
  constexpr std::ptrdiff_t kInsertionLimit = 16;
  if (last - first < 2) return;
  if (last - first > kInsertionLimit) {
    std::stable_sort(first, last, OrdersBefore);
    return;
  }
  for (VelaVertexEdge* i = first + 1; i != last; ++i) {
    const VelaVertexEdge entry = *i;
    VelaVertexEdge* j = i;
    for (; j != first && OrdersBefore(entry, *(j - 1)); --j) *j = *(j - 1);
    *j = entry;
  }
}

}  // namespace

void VelaGraphVertex::PutInOrderAdjacentVertices() {
  StableSortEntries(adjacency_.Begin(), adjacency_.End());
  for (int i = 0; i < adjacency_.Size(); ++i) {
    const VelaGraphVertex* v = adjacency_[i];
    if (!v) return;
    if (v->index_ > index_) {
      labelLimit_ = i;
      return;
    }
  }
}

// ---- VelaGraphEdge ------------------------------------------------------------------

VelaGraphEdge::VelaGraphEdge() : VelaGraphEdge(VelaString(), nullptr, nullptr, 1) {}

VelaGraphEdge::VelaGraphEdge(const VelaString& name, VelaGraphVertex* a, VelaGraphVertex* b,
                             unsigned char undirected)
    : name(name), firstVertex(a), secondVertex(b), undirected(undirected), selected(0), priority(2), weight(0.0) {}

VelaGraphEdge::~VelaGraphEdge() = default;

const VelaString& VelaGraphEdge::GetName() const { return name; }

// ---- Comparisons ----------------------------------------------------------------------

int CompareEdgeWeights(VelaGraphEdge* const& a, VelaGraphEdge* const& b) { return a->weight < b->weight ? 1 : 0; }

int ComparePath(const VelaPath& a, const VelaPath& b) {
  if (a.Size() != b.Size()) return a.Size() < b.Size() ? 1 : 0;
  if (a.GetPriority0Count() != b.GetPriority0Count()) return a.GetPriority0Count() > b.GetPriority0Count() ? 1 : 0;
  if (a.GetPriority1Count() != b.GetPriority1Count()) return a.GetPriority1Count() < b.GetPriority1Count() ? 1 : 0;
  for (int i = 0; i < a.Size(); ++i) {
    const int ia = a[i] ? a[i]->GetIndex() : -1;
    const int ib = b[i] ? b[i]->GetIndex() : -1;
    if (ia != ib) return ia < ib ? 1 : 0;
  }
  return 0;
}
