/// \file
/// VelaGraph: the small pointer-based graph that the graph solver runs on.
///
/// Vertices and edges are named; an edge is undirected or directed (first ->
/// second) and carries a priority and a weight. Every vertex keeps its own
/// adjacency list of (neighbour, edge) pairs, and a path is such a list read
/// in order, plus two counters of the priorities on it, so that partial and
/// closed cycles can be ranked without walking them again. Vertices also
/// carry the scratch fields of the solver's algorithms (label, low link,
/// colour, blocked counter, label limit). All vertices and edges are created
/// and owned by a VelaGraphSolver; the classes here never free what they
/// point to.
///
/// Choices made for this implementation:
/// - VelaPath derives publicly from VelaAdjacent and VelaTriplet from
///   VelaPath, adding no member: a triplet is a path of three entries. The
///   counting forms of Append and SetFirstEdge are those of VelaPath; calling
///   them through a VelaAdjacent reference skips the counters.
/// - VelaAdjacent doubles its buffer when full (first heap block: 4
///   entries); the buffer never shrinks until destruction or a move.
/// - PutInOrderAdjacentVertices sorts with a stable sort: entries whose
///   neighbours have equal indices keep their order, so parallel edges to
///   one neighbour stay in creation order however often the adjacency is
///   sorted, and every run sees them (in triplets, and as the first edge
///   EdgeExists finds) as a fresh graph does. Entries with an empty vertex
///   pointer are kept after every non-empty one.
/// - Nothing here recurses on the call stack, so graphs of any size are safe.
///
/// Not thread-safe: a graph is used from one thread.
/// \ingroup graph
#ifndef VELA_GRAPH_VELAGRAPH_H
#define VELA_GRAPH_VELAGRAPH_H

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

class VelaGraphVertex;
class VelaGraphEdge;
class VelaGraphSolver;

/// One adjacency or path entry: the vertex reached and the edge used to
/// reach it (empty on the first entry of an open path).
/// \ingroup graph
struct VelaVertexEdge {
  VelaGraphVertex* vertex;  ///< the vertex reached
  VelaGraphEdge* edge;      ///< the edge used to reach it, or null
};

/// A growable array of (vertex, edge) entries. No index is checked.
/// \ingroup graph
class VELA_API VelaAdjacent {
 public:
  /// Empty, without a buffer.
  VelaAdjacent() noexcept;
  /// Copies the entries (the copy's capacity is the source's size).
  VelaAdjacent(const VelaAdjacent& other);
  /// Takes the buffer over; `other` is left empty without a buffer.
  VelaAdjacent(VelaAdjacent&& other) noexcept;
  /// Copies the entries; reallocates only when the source has more entries
  /// than this buffer holds. Self-assignment does nothing.
  VelaAdjacent& operator=(const VelaAdjacent& other);
  /// Frees this buffer and takes the other's over; `other` is left empty
  /// without a buffer.
  VelaAdjacent& operator=(VelaAdjacent&& other) noexcept;
  /// Frees the buffer (not the vertices and edges it points to).
  ~VelaAdjacent();

  /// The number of entries.
  int Size() const { return size_; }
  /// The vertex of entry i.
  VelaGraphVertex*& operator[](int i) { return entries_[i].vertex; }
  /// The vertex of entry i, read-only.
  VelaGraphVertex* const& operator[](int i) const { return entries_[i].vertex; }
  /// The edge of entry i.
  VelaGraphEdge*& operator()(int i) { return entries_[i].edge; }
  /// The edge of entry i, read-only.
  VelaGraphEdge* const& operator()(int i) const { return entries_[i].edge; }
  /// The entries as a range [Begin(), End()); both null while there is no
  /// buffer.
  VelaVertexEdge* Begin() { return entries_; }
  /// One past the last entry.
  VelaVertexEdge* End() { return entries_ + size_; }
  /// The first entry, read-only; null without a buffer.
  const VelaVertexEdge* Begin() const { return entries_; }
  /// One past the last entry, read-only.
  const VelaVertexEdge* End() const { return entries_ + size_; }

  /// Adds (v, e) at the end; amortised O(1).
  void Append(VelaGraphVertex* v, VelaGraphEdge* e);
  /// Sets the edge of entry 0 (which must exist).
  void SetFirstEdge(VelaGraphEdge* e) { entries_[0].edge = e; }

 private:
  int size_;                  // entries in use
  int capacity_;              // entries the buffer holds; 0 without a buffer
  VelaVertexEdge* entries_;   // owned heap buffer, or null when capacity_ is 0
};

/// A path: its entries in path order, and how many of its edges have
/// priority 0 and priority 1. The first entry's edge stays empty until the
/// path is closed into a cycle by SetFirstEdge. The counters always equal
/// the counts over the edges added through this class's Append and
/// SetFirstEdge.
/// \ingroup graph
class VELA_API VelaPath : public VelaAdjacent {
 public:
  /// An empty path, both counters 0.
  VelaPath() noexcept : VelaAdjacent(), priority0Count_(0), priority1Count_(0) {}

  /// Adds (v, e) at the end and counts e's priority (a null e counts
  /// nothing).
  void Append(VelaGraphVertex* v, VelaGraphEdge* e);
  /// Closes the path: entry 0 gets e, whose priority is counted.
  void SetFirstEdge(VelaGraphEdge* e);

  /// Edges on the path with priority 0.
  int GetPriority0Count() const { return priority0Count_; }
  /// Edges on the path with priority 1.
  int GetPriority1Count() const { return priority1Count_; }

 private:
  void Count(const VelaGraphEdge* e);

  int priority0Count_;
  int priority1Count_;
};

/// A path of exactly three entries x, u, y: u's neighbours x and y, reached
/// by e1 and e2, from which the chordless-cycle search grows cycles through
/// u.
/// \ingroup graph
class VELA_API VelaTriplet : public VelaPath {
 public:
  /// An empty triplet.
  VelaTriplet() noexcept = default;
  /// The path (x, no edge), (u, e1), (y, e2) with e1 and e2 counted; the
  /// path stays empty when e1 or e2 is null.
  VelaTriplet(VelaGraphVertex* x, VelaGraphVertex* u, VelaGraphEdge* e1, VelaGraphVertex* y,
              VelaGraphEdge* e2);
};

/// A named vertex with its adjacency and the algorithms' scratch fields.
/// \ingroup graph
class VELA_API VelaGraphVertex {
 public:
  /// An unnamed vertex: index, other index and label limit -1, colour and
  /// blocked counter 0, no adjacency.
  VelaGraphVertex();
  /// A vertex named `name`, otherwise as the default one.
  explicit VelaGraphVertex(const VelaString& name);
  /// Copies every member, the adjacency included.
  VelaGraphVertex(const VelaGraphVertex& other);
  /// Copies every member, the adjacency included.
  VelaGraphVertex& operator=(const VelaGraphVertex& other);
  /// Frees the adjacency (not the vertices and edges it points to).
  virtual ~VelaGraphVertex();

  /// The vertex name.
  virtual const VelaString& GetName() const;
  /// The label, component number or visit number; -1 when unset.
  int GetIndex() const { return index_; }
  /// Sets the label, component number or visit number.
  void SetIndex(int index) { index_ = index; }
  /// The low link during a strongly-connected search (the array position
  /// during a spanning-tree run); -1 when unset.
  int GetOtherIndex() const { return otherIndex_; }
  /// Sets the other index.
  void SetOtherIndex(int index) { otherIndex_ = index; }
  /// The colour: 1 while the vertex is on the depth-first stack.
  unsigned char GetColor() const { return color_; }
  /// Sets the colour.
  void SetColor(unsigned char color) { color_ = color; }
  /// The blocked counter: path vertices adjacent to this one, during the
  /// chordless search.
  unsigned int GetBlocked() const { return blocked_; }
  /// The first sorted adjacency position whose neighbour has a larger index
  /// than this vertex; -1 for none.
  int GetLabelLimit() const { return labelLimit_; }
  /// The adjacency: (neighbour, edge) entries, in insertion order until
  /// sorted.
  VelaAdjacent& GetAdjacentVertices() { return adjacency_; }
  /// The adjacency, read-only.
  const VelaAdjacent& GetAdjacentVertices() const { return adjacency_; }

  /// Appends (v, e) to the adjacency.
  void AddAdjacentVertex(VelaGraphVertex* v, VelaGraphEdge* e);
  /// blocked = 0.
  void InitializeBlocked() { blocked_ = 0; }
  /// blocked += n (unsigned wrap-around, as a counter that is paired).
  void UpdateBlocked(int n) { blocked_ += static_cast<unsigned int>(n); }
  /// Adds 1 to the blocked counter of each neighbour, in adjacency order,
  /// stopping at the first empty vertex pointer. A neighbour reached by k
  /// edges gets k.
  void BlockNeighbors();
  /// The exact inverse of BlockNeighbors.
  void UnBlockNeighbors();
  /// Sorts the adjacency by ascending neighbour index (stable), then sets the
  /// label limit to the first position whose neighbour's index exceeds this
  /// vertex's index. The label limit is left as it was when an empty vertex
  /// pointer comes first or no neighbour has a larger index (the solver
  /// resets it before each search). O(d log d).
  void PutInOrderAdjacentVertices();
  /// Appends to the solver's feasible triplets every (x, u = this, y) with x
  /// and y neighbours of larger index than this vertex, taken at adjacency
  /// positions i < j from the label limit on (i ascending, then j
  /// ascending), whose neighbours the solver finds no edge between. Needs
  /// PutInOrderAdjacentVertices first; does nothing while the label limit
  /// is out of range. O(d^2) EdgeExists calls.
  void FindTriplets(VelaGraphSolver* solver);

 private:
  // The solver resets the label limit before each chordless search.
  friend class VelaGraphSolver;

  VelaString name_;
  int index_;                 // label, component number or visit number; -1 unset
  int otherIndex_;            // low link during a strongly-connected search; -1 unset
  unsigned char color_;       // 1 while on the depth-first stack
  unsigned int blocked_;      // path vertices adjacent to this one, during the chordless search
  VelaAdjacent adjacency_;    // (neighbour, edge), in insertion order until sorted
  int labelLimit_;            // first sorted position with a larger neighbour index; -1 none
};

/// A named edge. The solver reads and writes the members directly.
/// \ingroup graph
class VELA_API VelaGraphEdge {
 public:
  /// An unnamed undirected edge without endpoints, priority 2 and weight 0.0,
  /// not selected.
  VelaGraphEdge();
  /// An edge from a to b with priority 2 and weight 0.0, not selected.
  VelaGraphEdge(const VelaString& name, VelaGraphVertex* a, VelaGraphVertex* b,
                unsigned char undirected);
  /// Copies every member; the endpoints are shared, not copied.
  VelaGraphEdge(const VelaGraphEdge&) = default;
  /// Copies every member; the endpoints are shared, not copied.
  VelaGraphEdge& operator=(const VelaGraphEdge&) = default;
  /// Frees the name (not the endpoints).
  virtual ~VelaGraphEdge();

  /// The edge name.
  virtual const VelaString& GetName() const;
  /// Sets the priority (0 and 1 are counted on paths).
  void SetPriority(int priority) { this->priority = priority; }
  /// Sets the weight the spanning tree minimises.
  void SetWeight(double weight) { this->weight = weight; }

  VelaString name;                ///< the edge name
  VelaGraphVertex* firstVertex;   ///< the "from" vertex of a directed edge
  VelaGraphVertex* secondVertex;  ///< the "to" vertex of a directed edge
  unsigned char undirected;       ///< 1: listed in both endpoints' adjacency
  unsigned char selected;         ///< set by the chordless-cycle selection
  int priority;                   ///< 0 and 1 are counted on paths; others are neutral
  double weight;                  ///< the spanning tree's cost of the edge
};

/// Non-zero when a's weight is less than b's (ascending weight order).
/// \ingroup graph
VELA_API int CompareEdgeWeights(VelaGraphEdge* const& a, VelaGraphEdge* const& b);

/// Non-zero when a orders before b: fewer entries first; then more
/// priority-0 edges; then fewer priority-1 edges; then the first differing
/// vertex index, smaller first. Identical sequences are not ordered. An
/// empty vertex pointer counts as index -1.
/// \ingroup graph
VELA_API int ComparePath(const VelaPath& a, const VelaPath& b);

#endif  // VELA_GRAPH_VELAGRAPH_H
