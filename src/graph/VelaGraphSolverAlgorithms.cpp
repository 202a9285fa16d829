// The graph solver's algorithms: chordless cycles and their covering
// selection, connected components, strongly connected components and the
// minimum spanning tree.
//
// Every depth-first search here (chordless path extension and both component
// searches) replaces the recursion by an explicit stack of frames (vertex,
// adjacency entries still to look at). A frame moves to its next neighbour
// only when the previous neighbour's visit has fully finished, exactly as the
// recursion does, so the visit order, the numbers and therefore the results
// and their orders are the recursion's. The frames live in the solver's
// scratch array, so a run allocates nothing but its results.
#include <algorithm>
#include <cmath>
#include <utility>

#include "vela/graph/VelaGraphSolver.h"

namespace {

// The searches are bound by the latency of reaching vertices scattered on
// the heap, one dependent load after another. Asking for all of a vertex's
// neighbours as soon as the vertex is entered overlaps those misses; the
// neighbours are looked at right after. A hint only: it never faults, not
// even on a null pointer, and changes no result.
inline void Prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(p);
#else
  static_cast<void>(p);
#endif
}

void PrefetchNeighbours(const VelaAdjacent& adjacency) {
  for (const VelaVertexEdge* q = adjacency.Begin(); q != adjacency.End(); ++q) Prefetch(q->vertex);
}

// Union-find over vertex positions: a negative entry marks a root (minus the
// size of its set), any other entry is the parent.
int FindRoot(std::vector<int>& sets, int x) {
  int root = x;
  while (sets[static_cast<std::size_t>(root)] >= 0) root = sets[static_cast<std::size_t>(root)];
  while (x != root) {
    const int next = sets[static_cast<std::size_t>(x)];
    sets[static_cast<std::size_t>(x)] = root;
    x = next;
  }
  return root;
}

// Joins the sets of a and b, the smaller under the larger; false when they
// were already one.
bool Unite(std::vector<int>& sets, int a, int b) {
  a = FindRoot(sets, a);
  b = FindRoot(sets, b);
  if (a == b) return false;
  int& sa = sets[static_cast<std::size_t>(a)];
  int& sb = sets[static_cast<std::size_t>(b)];
  if (sa > sb) {  // a's set is smaller
    sb += sa;
    sa = b;
  } else {
    sa += sb;
    sb = a;
  }
  return true;
}

}  // namespace

// ---- Chordless cycles ----

int VelaGraphSolver::RunChordless(unsigned char iSelect) {
  cycles_.RemoveAll();
  triplets_.RemoveAll();
  // PutInOrderAdjacentVertices leaves the label limit alone when no
  // neighbour is higher: a limit from an earlier labelling would start
  // triplets at a stale position.
  for (VelaGraphVertex* v : vertices_) v->labelLimit_ = -1;
  for (VelaGraphVertex* v : vertices_) {
    v->PutInOrderAdjacentVertices();
    v->FindTriplets(this);
  }
  return FindChordlessCycles(iSelect);
}

int VelaGraphSolver::FindChordlessCycles(unsigned char iSelect) {
  for (VelaGraphVertex* v : vertices_) v->InitializeBlocked();
  int failures = 0;
  while (!triplets_.IsEmpty()) {
    VelaPath path = std::move(triplets_.Back());
    triplets_.RemovePosition(triplets_.Size() - 1);
    if (path.Size() < 2 || !path[1]) return 4;
    VelaGraphVertex* u = path[1];
    u->BlockNeighbors();
    failures += FindChordlessCyclesWithMyPath(path, u->GetIndex());
    u->UnBlockNeighbors();
  }
  if (iSelect) SelectChordlessCycles();
  return failures == 0 ? 0 : 1;
}

// Frame d (0 = the path's own last vertex) is the vertex whose neighbours
// extend the path; pathTail_ holds the d entries added to ioPath to reach
// it, so frames_.size() == pathTail_.size() + 1 while frames remain.
int VelaGraphSolver::FindChordlessCyclesWithMyPath(VelaPath& ioPath, int iUIndex) {
  if (ioPath.Size() < 2 || !ioPath[1] || ioPath[1]->GetIndex() != iUIndex) return 1;
  VelaGraphVertex* last = ioPath[ioPath.Size() - 1];
  if (!last) return 1;
  const VelaGraphVertex* const first = ioPath[0];
  frames_.clear();
  pathTail_.clear();
  const auto enter = [this](VelaGraphVertex* t) {
    t->BlockNeighbors();
    const VelaAdjacent& adjacency = t->GetAdjacentVertices();
    frames_.push_back({t, adjacency.Begin(), adjacency.End()});
  };
  enter(last);
  while (!frames_.empty()) {
    SearchFrame& top = frames_.back();
    if (top.next == top.end) {
      top.vertex->UnBlockNeighbors();
      frames_.pop_back();
      if (!frames_.empty()) pathTail_.pop_back();
      continue;
    }
    const VelaVertexEdge entry = *top.next++;
    VelaGraphVertex* v = entry.vertex;
    if (!v || !entry.edge) {
      // The frame ends with 1 and leaves its neighbours blocked; only the
      // first frame's result is reported, as only the outermost call's is.
      if (frames_.size() == 1) {
        frames_.clear();
        return 1;
      }
      frames_.pop_back();
      pathTail_.pop_back();
      continue;
    }
    if (v->GetIndex() <= iUIndex || v->GetBlocked() != 1) continue;
    if (VelaGraphEdge* closing = EdgeExists(v, first)) {
      VelaPath cycle(ioPath);
      for (const VelaVertexEdge& added : pathTail_) cycle.Append(added.vertex, added.edge);
      cycle.Append(v, entry.edge);
      cycle.SetFirstEdge(closing);
      cycles_.Append(std::move(cycle));
    } else {
      pathTail_.push_back(entry);
      enter(v);
    }
  }
  return 0;
}

void VelaGraphSolver::SelectChordlessCycles() {
  for (VelaGraphEdge* e : edges_) e->selected = 0;
  std::stable_sort(cycles_.begin(), cycles_.end(),
                   [](const VelaPath& a, const VelaPath& b) { return ComparePath(a, b) != 0; });
  int kept = 0;
  for (int k = 0; k < cycles_.Size(); ++k) {
    VelaPath& cycle = cycles_[k];
    int first = 0;
    while (first < cycle.Size() && (!cycle(first) || cycle(first)->selected)) ++first;
    if (first == cycle.Size()) continue;
    for (int i = first; i < cycle.Size(); ++i) {
      if (cycle(i)) cycle(i)->selected = 1;
    }
    if (k != kept) cycles_[kept] = std::move(cycle);
    ++kept;
  }
  cycles_.Resize(kept, VelaPath());
}

// ---- Connected components ----

int VelaGraphSolver::RunConnected() {
  components_.RemoveAll();
  if (directed_) return 1;
  for (VelaGraphVertex* v : vertices_) v->SetIndex(-1);
  for (VelaGraphVertex* v : vertices_) {
    if (v->GetIndex() >= 0) continue;
    components_.Append(Component());
    if (ExtendConnectedComponent(v, components_.Size() - 1) != 0) return 1;
  }
  return 0;
}

int VelaGraphSolver::ExtendConnectedComponent(VelaGraphVertex* iStart, int iComponent) {
  if (!iStart || iComponent < 0 || iComponent >= components_.Size()) return 1;
  Component& component = components_[iComponent];
  frames_.clear();
  const auto enter = [&](VelaGraphVertex* v) {
    v->SetIndex(iComponent);
    component.Append(v);
    const VelaAdjacent& adjacency = v->GetAdjacentVertices();
    PrefetchNeighbours(adjacency);
    frames_.push_back({v, adjacency.Begin(), adjacency.End()});
  };
  enter(iStart);
  while (!frames_.empty()) {
    SearchFrame& top = frames_.back();
    // Skip the neighbours already numbered, up to a new or a missing one.
    const VelaVertexEdge* p = top.next;
    while (p != top.end && p->vertex && p->vertex->GetIndex() >= 0) ++p;
    if (p == top.end) {
      frames_.pop_back();
      continue;
    }
    top.next = p + 1;
    if (!p->vertex) {
      // A missing neighbour ends this vertex's extension; only the start
      // vertex's result is reported.
      if (frames_.size() == 1) return 1;
      frames_.pop_back();
      continue;
    }
    enter(p->vertex);
  }
  return 0;
}

// ---- Strongly connected components ----

int VelaGraphSolver::RunStronglyConnected() {
  sccs_.RemoveAll();
  for (VelaGraphVertex* v : vertices_) {
    v->SetIndex(-1);
    v->SetOtherIndex(-1);
    v->SetColor(0);
  }
  visitStack_.RemoveAll();
  visitStack_.Reserve(vertices_.Size());
  int result = 0;
  for (VelaGraphVertex* v : vertices_) {
    if (v->GetIndex() == -1) result = TarjanAlgorithm(v, visitStack_, 0);
  }
  return result;
}

int VelaGraphSolver::TarjanAlgorithm(VelaGraphVertex* iStart, VelaStack<VelaGraphVertex*>& ioStack,
                                     int iNumber) {
  if (!iStart) return 1;
  int counter = iNumber;
  int result = 0;
  frames_.clear();
  const auto enter = [&](VelaGraphVertex* v) {
    v->SetIndex(counter);
    v->SetOtherIndex(counter);
    ++counter;
    ioStack.Push(v);
    v->SetColor(1);
    const VelaAdjacent& adjacency = v->GetAdjacentVertices();
    PrefetchNeighbours(adjacency);
    frames_.push_back({v, adjacency.Begin(), adjacency.End()});
  };
  // Ends v's visit: its frame goes and its low link reaches its parent.
  const auto leave = [&](const VelaGraphVertex* v) {
    frames_.pop_back();
    if (frames_.empty()) return;
    VelaGraphVertex* parent = frames_.back().vertex;
    parent->SetOtherIndex(std::min(parent->GetOtherIndex(), v->GetOtherIndex()));
  };
  enter(iStart);
  while (!frames_.empty()) {
    SearchFrame& top = frames_.back();
    VelaGraphVertex* v = top.vertex;
    // Neighbours already visited only lower the low link (those still on
    // the stack); stop at an unvisited or a missing one.
    int low = v->GetOtherIndex();
    const VelaVertexEdge* p = top.next;
    for (; p != top.end; ++p) {
      const VelaGraphVertex* w = p->vertex;
      if (!w || w->GetIndex() == -1) break;
      if (w->GetColor() == 1) low = std::min(low, w->GetIndex());
    }
    v->SetOtherIndex(low);
    if (p != top.end) {
      top.next = p + 1;
      if (p->vertex) {
        enter(p->vertex);
      } else {
        // This vertex's visit ends with 1 and closes no component; its
        // parent goes on, as with an ignored child result.
        if (frames_.size() == 1) result = 1;
        leave(v);
      }
      continue;
    }
    // v is finished: close its component if it is a root.
    if (low == v->GetIndex()) {
      sccs_.Append(Component());
      Component& component = sccs_.Back();
      VelaGraphVertex* popped = nullptr;
      do {
        popped = ioStack.Top();
        ioStack.Pop();
        popped->SetColor(0);
        component.Append(popped);
      } while (popped != v && !ioStack.IsEmpty());
    }
    leave(v);
  }
  return result;
}

// ---- Minimum spanning tree ----

int VelaGraphSolver::RunSpanning() {
  tree_.RemoveAll();
  // Fails on a directed graph too, having emptied the components.
  if (RunConnected() != 0 || components_.Size() != 1) return 1;
  // Ascending weight, equal weights in creation order: the order a stable
  // sort by CompareEdgeWeights gives, here by one plain sort of contiguous
  // keys with the creation position as the last key. NaN weights, which no
  // ascending order can place, go after every number.
  sortedEdges_.clear();
  sortedEdges_.reserve(static_cast<std::size_t>(edges_.Size()));
  for (int k = 0; k < edges_.Size(); ++k) {
    VelaGraphEdge* e = edges_[k];
    sortedEdges_.push_back({e ? e->weight : 0.0, k, e});
  }
  std::sort(sortedEdges_.begin(), sortedEdges_.end(), [](const WeightedEdge& a, const WeightedEdge& b) {
    if (a.weight < b.weight) return true;
    if (b.weight < a.weight) return false;
    const bool aNaN = std::isnan(a.weight);
    const bool bNaN = std::isnan(b.weight);
    if (aNaN != bNaN) return bNaN;
    return a.position < b.position;
  });
  // The connected-components run left each vertex's component number (0)
  // in its index; the position labels are kept in the other index.
  const int n = vertices_.Size();
  for (int i = 0; i < n; ++i) vertices_[i]->SetOtherIndex(i);
  sets_.assign(static_cast<std::size_t>(n), -1);
  const int wanted = n - 1;
  // The edges come in weight order, scattered on the heap: their objects are
  // asked for a few steps ahead, and their endpoints once the edge is near.
  constexpr std::size_t kEdgeAhead = 8;
  constexpr std::size_t kVertexAhead = 4;
  for (std::size_t k = 0; k < sortedEdges_.size() && tree_.Size() < wanted; ++k) {
    if (k + kEdgeAhead < sortedEdges_.size()) Prefetch(sortedEdges_[k + kEdgeAhead].edge);
    if (k + kVertexAhead < sortedEdges_.size()) {
      if (const VelaGraphEdge* near = sortedEdges_[k + kVertexAhead].edge) {
        Prefetch(near->firstVertex);
        Prefetch(near->secondVertex);
      }
    }
    VelaGraphEdge* e = sortedEdges_[k].edge;
    if (!e || !e->firstVertex || !e->secondVertex) return 1;
    const int a = e->firstVertex->GetOtherIndex();
    const int b = e->secondVertex->GetOtherIndex();
    // A vertex of another solver has no slot here: treat it as missing.
    if (a < 0 || a >= n || vertices_[a] != e->firstVertex || b < 0 || b >= n || vertices_[b] != e->secondVertex) {
      return 1;
    }
    if (Unite(sets_, a, b)) tree_.Append(e);
  }
  return tree_.Size() == wanted ? 0 : 1;
}
