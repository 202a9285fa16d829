/// \file
/// VelaGraphSolver: the operator that owns a constraint graph and computes one
/// of five results on it.
/// \ingroup graph
#ifndef VELA_GRAPH_VELAGRAPHSOLVER_H
#define VELA_GRAPH_VELAGRAPHSOLVER_H

#include <vector>

#include "vela/containers/VelaArray.h"
#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"
#include "vela/graph/VelaGraph.h"
#include "vela/operator/VelaOperator.h"

class VelaStream;

/// A stack on the library's array: the top is the last element.
/// \ingroup graph
template <class T>
class VelaStack : public VelaArray<T> {
 public:
  /// Adds value on top; amortised O(1).
  void Push(const T& value) { this->Append(value); }
  /// Removes the top element; the stack must not be empty. O(1).
  void Pop() noexcept { this->Truncate(this->Size() - 1); }
  /// The top element; the stack must not be empty.
  T& Top() noexcept { return this->Back(); }
  /// The top element, read-only; the stack must not be empty.
  const T& Top() const noexcept { return this->Back(); }
};

/// The operator that owns a constraint graph and computes one of five
/// results on it.
///
///
/// The solver owns its vertices and edges (created through CreateVertex and
/// CreateEdge, deleted by the destructor). A method chooses the result:
/// chordless cycles, chordless cycles reduced to a selection that covers every
/// edge once, strongly connected components, a minimum spanning tree, or
/// connected components. Being a VelaOperator, a run through Run() can be
/// recorded: the input section lists vertices, edges and the method in a small
/// text format, the output section the result. The Compute* entry points run
/// the same work directly, without the recording protocol.
///
/// Result codes of every run: 0 success; 1 failure (graph of the wrong kind,
/// missing vertex or edge, not connected); 4 a triplet without its middle
/// vertex.
///
/// Choices made for this implementation:
/// - The vertex, edge and tree arrays are pointer arrays (16 inline); the
///   cycles, triplets and components are arrays of the general form, whose
///   elements (paths, vertex arrays) are copied and destroyed one by one. A
///   component of up to 16 vertices lives inside its array without any heap
///   block.
/// - VelaStack<T>, the visit stack of the strongly connected search, is a
///   VelaArray<T> used from its back (Push, Pop, Top); it is declared here
///   since the solver is its only user.
/// - Each run empties the result array of its method before anything else,
///   so a second run gives the same result as the first instead of
///   appending, and a run that fails at once (a directed graph for the
///   connected components or the spanning tree, a graph in several pieces
///   for the tree) leaves no result of an earlier run behind to be read or
///   written as its output. The spanning tree's connectivity check also
///   refills the connected components. The selection clears every edge's
///   selected flag first.
/// - Each chordless search first resets every vertex's label limit to -1.
///   PutInOrderAdjacentVertices sets the limit only when some neighbour has
///   a higher label, so without the reset a vertex whose neighbours are all
///   lower after a relabelling would keep the limit of the previous search
///   and start triplets from it, through neighbours of lower label: a
///   cycle would be reported a second time, from a vertex that is not its
///   lowest. With the reset, a search on relabelled vertices gives what a
///   new solver with those labels gives.
/// - Connected and strongly connected components are searched with explicit
///   stacks, never the call stack, so graphs of millions of vertices work; the
///   components and their orders are those of the recursive depth-first visit.
///   The strongly connected visit numbers vertices with one discovery counter
///   that starts at 0 for each root and increases over its whole visit.
/// - The spanning tree sorts a copy of the edges (as weight, creation
///   position, edge keys) by ascending weight, equal weights in creation
///   order: the order of a stable sort, so GetEdges keeps the creation order
///   the input section shows. An edge whose weight is NaN, which no ascending
///   order can place, sorts after all the others. Instead of relabelling every vertex of the absorbed
///   component on each accepted edge, the labels live in a union-find; it
///   accepts exactly the edges the relabelling does, since both accept an edge
///   exactly when its endpoints are in different components. The run keeps
///   each vertex's array position in its other index (the index holds the
///   component number the connectivity check left).
/// - A missing neighbour in the strongly connected visit ends that vertex's
///   visit with 1 without closing a component; its parent goes on, as a
///   parent ignores a child's result. Only the root's result is reported.
/// - Chordless path extension keeps its own stack of frames (vertex, next
///   adjacency entry) and one shared list of the entries added to the
///   triplet, instead of a recursion that copies the path at every step; a
///   path is copied only when it closes into a cycle. The cycles, their order
///   and their priority counters are the recursion's, and a chordless path as
///   long as the graph (a ring of any size) needs no call stack. A missing
///   neighbour or edge ends the frame it is found in, leaving its blocks in
///   place, as the recursion's early return does.
/// - The searches keep their scratch stacks in the solver between runs, so a
///   repeated run allocates nothing but its results.
/// \ingroup graph
class VELA_API VelaGraphSolver : public VelaOperator {
 public:
  /// The result a run computes.
  enum Method : int {
    None = 0,                         ///< nothing: a run returns 1
    Chordless = 1,                    ///< the chordless cycles
    ChordlessSelection = 2,           ///< the chordless cycles reduced to a covering selection
    StronglyConnectedComponents = 3,  ///< the strongly connected components
    SpanningTree = 4,                 ///< a minimum spanning tree
    ConnectedComponents = 5,          ///< the connected components
  };
  /// One component: its vertices, in the order the search reached them.
  using Component = VelaArray<VelaGraphVertex*>;

  /// An empty graph, method None; iDirected is the initial directed flag. The
  /// operator level is the configuration's full level.
  explicit VelaGraphSolver(unsigned char iDirected);
  /// Deletes every vertex and edge the solver created.
  ~VelaGraphSolver() override;
  /// Not copyable: the solver owns its vertices and edges.
  VelaGraphSolver(const VelaGraphSolver&) = delete;
  /// Not assignable.
  VelaGraphSolver& operator=(const VelaGraphSolver&) = delete;

  /// A new vertex (index -1), appended to the vertices.
  VelaGraphVertex* CreateVertex(const VelaString& iName);
  /// Null when iA or iB is null. Otherwise a new edge from iA to iB, appended
  /// to the edges and, as (iB, edge), to iA's adjacency; when iUndirected is 1
  /// (iA, edge) goes to iB's adjacency too, otherwise the solver becomes
  /// directed.
  VelaGraphEdge* CreateEdge(const VelaString& iName, VelaGraphVertex* iA, VelaGraphVertex* iB,
                            unsigned char iUndirected);
  /// The edge of the first adjacency entry of iA leading to iB, or null (also
  /// when either is null). An undirected solver searches the shorter of the
  /// two adjacencies (iB's only when strictly shorter). O(degree).
  VelaGraphEdge* EdgeExists(const VelaGraphVertex* iA, const VelaGraphVertex* iB) const;

  /// The method the next run computes.
  Method GetMethod() const { return method_; }
  /// Chooses the method of the next run.
  void SetMethod(Method iMethod) { method_ = iMethod; }
  /// 1 once the solver is directed (set for good by the first directed edge).
  unsigned char IsDirected() const { return directed_; }

  /// The vertices, in creation order.
  const VelaArray<VelaGraphVertex*>& GetVertices() const { return vertices_; }
  /// The edges, in creation order.
  const VelaArray<VelaGraphEdge*>& GetEdges() const { return edges_; }
  /// The triplets of the chordless search (FindTriplets appends to them).
  VelaArray<VelaTriplet>& GetFeasibleTriplets() { return triplets_; }
  /// The chordless cycles of the last chordless run.
  const VelaArray<VelaPath>& GetChordlessCycles() const { return cycles_; }
  /// The strongly connected components of the last such run.
  const VelaArray<Component>& GetStronglyConnectedComponents() const { return sccs_; }
  /// The connected components of the last such run (or of the last spanning
  /// tree's connectivity check).
  const VelaArray<Component>& GetConnectedComponents() const { return components_; }
  /// The edges of the last minimum spanning tree.
  const VelaArray<VelaGraphEdge*>& GetSpanningTree() const { return tree_; }

  /// Direct computations: set the method, call RunOperator() without the run
  /// protocol and, when it returns 0, copy the result into the argument (left
  /// untouched otherwise). Each returns RunOperator's result.
  /// This one computes the chordless cycles.
  int ComputeChordlessCycles(VelaArray<VelaPath>& oCycles);
  /// The chordless cycles reduced to a covering selection, directly (see
  /// ComputeChordlessCycles).
  int ComputeChordlessCyclesWithSelection(VelaArray<VelaPath>& oCycles);
  /// The strongly connected components, directly (see ComputeChordlessCycles).
  int ComputeStronglyConnectedComponents(VelaArray<Component>& oComponents);
  /// A minimum spanning tree, directly (see ComputeChordlessCycles).
  int RunSpanningTree(VelaArray<VelaGraphEdge*>& oTree);
  /// The connected components, directly (see ComputeChordlessCycles).
  int ComputeConnectedComponents(VelaArray<Component>& oComponents);

  /// The work of the current method; 1 for method None or an unknown one.
  int RunOperator() override;

  /// Chordless search over the triplets already present (steps after the
  /// triplet search): blocks, extends each triplet from the last, and with
  /// iSelect non-zero reduces the cycles to a covering selection. 0 when
  /// every extension succeeded, 1 otherwise, 4 for a triplet without middle.
  int FindChordlessCycles(unsigned char iSelect);
  /// Extends ioPath (entry 1 labelled iUIndex) by every unblocked neighbour
  /// of higher label, recording closed cycles. 1 for a malformed path or a
  /// missing neighbour, else 0.
  int FindChordlessCyclesWithMyPath(VelaPath& ioPath, int iUIndex);
  /// Gives component number iComponent to every vertex reachable from iStart
  /// through vertices still at index < 0, appending them in depth-first
  /// order. 1 when iStart's own adjacency holds a missing vertex.
  int ExtendConnectedComponent(VelaGraphVertex* iStart, int iComponent);
  /// Depth-first strongly connected visit from iStart, numbering from
  /// iNumber; ioStack holds the vertices on the visit stack. 1 when iStart's
  /// adjacency holds a missing vertex, else 0.
  int TarjanAlgorithm(VelaGraphVertex* iStart, VelaStack<VelaGraphVertex*>& ioStack, int iNumber);
  /// Sorts the chordless cycles with ComparePath and keeps only those that
  /// bring an edge not covered by the cycles kept before them.
  void SelectChordlessCycles();

  /// The input section: the base class header, then the vertices (one
  /// `name;` line each under `#!VERTICES`), the edges (one `name: a -- b;` or
  /// `name: a -> b;` line each under `#!EDGES`, with ` { priority: p, weight: w }`
  /// when these differ from 2 and 0.0) and the method (`Method = Name;` under
  /// `#!OPTIONS`).
  void WriteInput(VelaStream& iStream) const override;
  /// The output section: the base class separator, then the result of the
  /// method under `#!CHORDLESS`, `#!STRONGLYCONNECTEDCOMPONENTS`,
  /// `#!CONNECTEDCOMPONENTS` or `#!SPANNINGTREE`; nothing more for method None.
  void WriteOutput(VelaStream& iStream) const override;
  /// "VelaGraphSolver".
  VelaString GetOperatorName() const override;
  /// "GrS".
  VelaString GetOperatorShortName() const override;
  /// Deletes the solver.
  void Remove() override;

 protected:
  /// The process-wide record of the graph solver type (name "VelaGraphSolver",
  /// id "GrS"), created on the first call.
  OperatorInfo& GetOperatorInfo() override;

 private:
  int RunChordless(unsigned char iSelect);
  int RunStronglyConnected();
  int RunConnected();
  int RunSpanning();

  // One vertex of a depth-first search in progress: the adjacency entries
  // [next, end) are still to be looked at.
  struct SearchFrame {
    VelaGraphVertex* vertex;
    const VelaVertexEdge* next;
    const VelaVertexEdge* end;
  };
  // The spanning tree's sort key: weight, then creation position.
  struct WeightedEdge {
    double weight;
    int position;  ///< in edges_
    VelaGraphEdge* edge;
  };

  static OperatorInfo* _pInfo;

  unsigned char directed_;  // set for good by the first directed edge
  Method method_ = None;
  VelaArray<VelaGraphVertex*> vertices_;  // owned, creation order
  VelaArray<VelaGraphEdge*> edges_;       // owned, creation order
  VelaArray<VelaTriplet> triplets_;
  VelaArray<VelaPath> cycles_;
  VelaArray<Component> sccs_;
  VelaArray<Component> components_;
  VelaArray<VelaGraphEdge*> tree_;

  // Scratch of the searches, kept between runs so that repeated runs do not
  // allocate; each search clears what it uses when it starts. No part of the
  // solver's value.
  VelaStack<VelaGraphVertex*> visitStack_;  // strongly connected visit stack
  std::vector<SearchFrame> frames_;
  std::vector<VelaVertexEdge> pathTail_;  // chordless: entries added to the triplet
  std::vector<WeightedEdge> sortedEdges_;
  std::vector<int> sets_;                 // spanning tree: union-find parents
};

/// A new undirected solver; free it with KorRemove.
/// \ingroup graph
VELA_API VelaGraphSolver* KorCreateGraphSolver();
/// Destroys a solver made by KorCreateGraphSolver (null is ignored).
/// \ingroup graph
VELA_API void KorRemove(VelaGraphSolver* iSolver);

#endif  // VELA_GRAPH_VELAGRAPHSOLVER_H
