// The graph solver's algorithms: chordless cycles and their covering
// selection, connected components, strongly connected components and the
// minimum spanning tree.
//
// Both component searches replace the recursive depth-first visit by an
// explicit stack of frames (vertex, next adjacency position). A frame looks
// at its next neighbour only when the previous neighbour's visit has fully
// finished, exactly as the recursion does, so the visit order, the numbers
// and therefore the components and their orders are the recursion's.
#include <algorithm>
#include <numeric>
#include <utility>

#include "vela/graph/VelaGraphSolver.h"

namespace {

struct Frame {
  VelaGraphVertex* vertex;
  int next;  // adjacency position of the next neighbour to look at
};

// Union-find over vertex positions with path halving and union by size.
class DisjointSets {
 public:
  explicit DisjointSets(std::size_t n) : parent_(n), size_(n, 1) {
    std::iota(parent_.begin(), parent_.end(), std::size_t{0});
  }
  std::size_t Find(std::size_t x) {
    while (parent_[x] != x) {
      parent_[x] = parent_[parent_[x]];
      x = parent_[x];
    }
    return x;
  }
  // False when a and b were already together.
  bool Unite(std::size_t a, std::size_t b) {
    a = Find(a);
    b = Find(b);
    if (a == b) return false;
    if (size_[a] < size_[b]) std::swap(a, b);
    parent_[b] = a;
    size_[a] += size_[b];
    return true;
  }

 private:
  std::vector<std::size_t> parent_;
  std::vector<std::size_t> size_;
};

}  // namespace

// ---- Chordless cycles ----

int VelaGraphSolver::RunChordless(unsigned char iSelect) {
  cycles_.clear();
  triplets_.clear();
  for (VelaGraphVertex* v : vertices_) {
    v->PutInOrderAdjacentVertices();
    v->FindTriplets(this);
  }
  return FindChordlessCycles(iSelect);
}

int VelaGraphSolver::FindChordlessCycles(unsigned char iSelect) {
  for (VelaGraphVertex* v : vertices_) v->InitializeBlocked();
  int failures = 0;
  while (!triplets_.empty()) {
    VelaPath path = std::move(triplets_.back());
    triplets_.pop_back();
    if (path.Size() < 2 || !path[1]) return 4;
    VelaGraphVertex* u = path[1];
    u->BlockNeighbors();
    failures += FindChordlessCyclesWithMyPath(path, u->GetIndex());
    u->UnBlockNeighbors();
  }
  if (iSelect) SelectChordlessCycles();
  return failures == 0 ? 0 : 1;
}

int VelaGraphSolver::FindChordlessCyclesWithMyPath(VelaPath& ioPath, int iUIndex) {
  if (ioPath.Size() < 2 || !ioPath[1] || ioPath[1]->GetIndex() != iUIndex) return 1;
  VelaGraphVertex* t = ioPath[ioPath.Size() - 1];
  if (!t) return 1;
  t->BlockNeighbors();
  const VelaAdjacent& adjacency = t->GetAdjacentVertices();
  for (int i = 0; i < adjacency.Size(); ++i) {
    VelaGraphVertex* v = adjacency[i];
    VelaGraphEdge* e = adjacency(i);
    if (!v || !e) {
      // The neighbours blocked above stay blocked: the search is broken anyway.
      return 1;
    }
    if (v->GetIndex() <= iUIndex || v->GetBlocked() != 1) continue;
    VelaPath extended(ioPath);
    extended.Append(v, e);
    if (VelaGraphEdge* closing = EdgeExists(v, extended[0])) {
      extended.SetFirstEdge(closing);
      cycles_.push_back(std::move(extended));
    } else {
      FindChordlessCyclesWithMyPath(extended, iUIndex);
    }
  }
  t->UnBlockNeighbors();
  return 0;
}

void VelaGraphSolver::SelectChordlessCycles() {
  for (VelaGraphEdge* e : edges_) e->selected = 0;
  std::stable_sort(cycles_.begin(), cycles_.end(),
                   [](const VelaPath& a, const VelaPath& b) { return ComparePath(a, b) != 0; });
  std::vector<VelaPath> kept;
  for (VelaPath& cycle : cycles_) {
    int first = 0;
    while (first < cycle.Size() && (!cycle(first) || cycle(first)->selected)) ++first;
    if (first == cycle.Size()) continue;
    for (int i = first; i < cycle.Size(); ++i) {
      if (cycle(i)) cycle(i)->selected = 1;
    }
    kept.push_back(std::move(cycle));
  }
  cycles_ = std::move(kept);
}

// ---- Connected components ----

int VelaGraphSolver::RunConnected() {
  if (directed_) return 1;
  components_.clear();
  for (VelaGraphVertex* v : vertices_) v->SetIndex(-1);
  for (VelaGraphVertex* v : vertices_) {
    if (v->GetIndex() >= 0) continue;
    components_.emplace_back();
    if (ExtendConnectedComponent(v, static_cast<int>(components_.size()) - 1) != 0) return 1;
  }
  return 0;
}

int VelaGraphSolver::ExtendConnectedComponent(VelaGraphVertex* iStart, int iComponent) {
  if (!iStart || iComponent < 0 || static_cast<std::size_t>(iComponent) >= components_.size()) return 1;
  Component& component = components_[static_cast<std::size_t>(iComponent)];
  std::vector<Frame> stack;
  iStart->SetIndex(iComponent);
  component.push_back(iStart);
  stack.push_back({iStart, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    const VelaAdjacent& adjacency = top.vertex->GetAdjacentVertices();
    if (top.next >= adjacency.Size()) {
      stack.pop_back();
      continue;
    }
    VelaGraphVertex* w = adjacency[top.next++];
    if (!w) {
      // A missing neighbour ends this vertex's extension; only the start
      // vertex's result is reported.
      if (stack.size() == 1) return 1;
      stack.pop_back();
      continue;
    }
    if (w->GetIndex() >= 0) continue;
    w->SetIndex(iComponent);
    component.push_back(w);
    stack.push_back({w, 0});
  }
  return 0;
}

// ---- Strongly connected components ----

int VelaGraphSolver::RunStronglyConnected() {
  sccs_.clear();
  for (VelaGraphVertex* v : vertices_) {
    v->SetIndex(-1);
    v->SetOtherIndex(-1);
    v->SetColor(0);
  }
  std::vector<VelaGraphVertex*> stack;
  stack.reserve(vertices_.size());
  int result = 0;
  for (VelaGraphVertex* v : vertices_) {
    if (v->GetIndex() == -1) result = TarjanAlgorithm(v, stack, 0);
  }
  return result;
}

int VelaGraphSolver::TarjanAlgorithm(VelaGraphVertex* iStart, std::vector<VelaGraphVertex*>& ioStack,
                                     int iNumber) {
  if (!iStart) return 1;
  int counter = iNumber;
  int result = 0;
  std::vector<Frame> frames;
  const auto enter = [&](VelaGraphVertex* v) {
    v->SetIndex(counter);
    v->SetOtherIndex(counter);
    ++counter;
    ioStack.push_back(v);
    v->SetColor(1);
    frames.push_back({v, 0});
  };
  enter(iStart);
  while (!frames.empty()) {
    Frame& top = frames.back();
    VelaGraphVertex* v = top.vertex;
    const VelaAdjacent& adjacency = v->GetAdjacentVertices();
    if (top.next < adjacency.Size()) {
      VelaGraphVertex* w = adjacency[top.next++];
      if (!w) {
        // This vertex's visit ends with 1 and closes no component; its
        // parent goes on, as with an ignored child result.
        if (frames.size() == 1) result = 1;
        frames.pop_back();
        if (!frames.empty()) {
          VelaGraphVertex* parent = frames.back().vertex;
          parent->SetOtherIndex(std::min(parent->GetOtherIndex(), v->GetOtherIndex()));
        }
        continue;
      }
      if (w->GetIndex() == -1) {
        enter(w);
      } else if (w->GetColor() == 1) {
        v->SetOtherIndex(std::min(v->GetOtherIndex(), w->GetIndex()));
      }
      continue;
    }
    // v is finished: close its component if it is a root, then report its
    // low link to the parent.
    if (v->GetOtherIndex() == v->GetIndex()) {
      Component component;
      VelaGraphVertex* popped = nullptr;
      do {
        popped = ioStack.back();
        ioStack.pop_back();
        popped->SetColor(0);
        component.push_back(popped);
      } while (popped != v && !ioStack.empty());
      sccs_.push_back(std::move(component));
    }
    frames.pop_back();
    if (!frames.empty()) {
      VelaGraphVertex* parent = frames.back().vertex;
      parent->SetOtherIndex(std::min(parent->GetOtherIndex(), v->GetOtherIndex()));
    }
  }
  return result;
}

// ---- Minimum spanning tree ----

int VelaGraphSolver::RunSpanning() {
  if (directed_) return 1;
  if (RunConnected() != 0 || components_.size() != 1) return 1;
  std::vector<VelaGraphEdge*> sorted(edges_);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](VelaGraphEdge* a, VelaGraphEdge* b) { return CompareEdgeWeights(a, b) != 0; });
  tree_.clear();
  // The connected-components run left each vertex's component number (0)
  // in its index; the position labels live in a map from vertex to slot.
  for (std::size_t i = 0; i < vertices_.size(); ++i) vertices_[i]->SetOtherIndex(static_cast<int>(i));
  DisjointSets labels(vertices_.size());
  const std::size_t wanted = vertices_.size() - 1;
  for (std::size_t k = 0; k < sorted.size() && tree_.size() < wanted; ++k) {
    VelaGraphEdge* e = sorted[k];
    if (!e || !e->firstVertex || !e->secondVertex) return 1;
    const auto a = static_cast<std::size_t>(e->firstVertex->GetOtherIndex());
    const auto b = static_cast<std::size_t>(e->secondVertex->GetOtherIndex());
    // A vertex of another solver has no slot here: treat it as missing.
    if (a >= vertices_.size() || vertices_[a] != e->firstVertex || b >= vertices_.size() ||
        vertices_[b] != e->secondVertex) {
      return 1;
    }
    if (labels.Unite(a, b)) tree_.push_back(e);
  }
  return tree_.size() == wanted ? 0 : 1;
}
