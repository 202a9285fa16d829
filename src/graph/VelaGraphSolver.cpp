// The graph solver operator: graph building, the method dispatch, the direct
// entry points and the text input and output sections.
#include "vela/graph/VelaGraphSolver.h"

#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaStream.h"

VelaOperator::OperatorInfo* VelaGraphSolver::_pInfo = nullptr;

VelaGraphSolver::VelaGraphSolver(unsigned char iDirected) : directed_(iDirected) {
  SetVelLevel(GetGlobalParameters().GetVelFullOpenConfigurationLevel());
}

VelaGraphSolver::~VelaGraphSolver() {
  for (VelaGraphEdge* e : edges_) delete e;
  for (VelaGraphVertex* v : vertices_) delete v;
}

VelaGraphVertex* VelaGraphSolver::CreateVertex(const VelaString& iName) {
  VelaGraphVertex* v = new VelaGraphVertex(iName);
  vertices_.Append(v);
  return v;
}

VelaGraphEdge* VelaGraphSolver::CreateEdge(const VelaString& iName, VelaGraphVertex* iA,
                                           VelaGraphVertex* iB, unsigned char iUndirected) {
  if (!iA || !iB) return nullptr;
  VelaGraphEdge* e = new VelaGraphEdge(iName, iA, iB, iUndirected);
  edges_.Append(e);
  iA->AddAdjacentVertex(iB, e);
  if (iUndirected == 1) {
    iB->AddAdjacentVertex(iA, e);
  } else {
    directed_ = 1;
  }
  return e;
}

VelaGraphEdge* VelaGraphSolver::EdgeExists(const VelaGraphVertex* iA,
                                           const VelaGraphVertex* iB) const {
  if (!iA || !iB) return nullptr;
  const VelaAdjacent* list = &iA->GetAdjacentVertices();
  const VelaGraphVertex* target = iB;
  if (!directed_ && iB->GetAdjacentVertices().Size() < list->Size()) {
    list = &iB->GetAdjacentVertices();
    target = iA;
  }
  for (int i = 0; i < list->Size(); ++i) {
    if ((*list)[i] == target) return (*list)(i);
  }
  return nullptr;
}

int VelaGraphSolver::RunOperator() {
  switch (method_) {
    case Chordless:
      return RunChordless(0);
    case ChordlessSelection:
      return RunChordless(1);
    case StronglyConnectedComponents:
      return RunStronglyConnected();
    case SpanningTree:
      return RunSpanning();
    case ConnectedComponents:
      return RunConnected();
    default:
      return 1;
  }
}

int VelaGraphSolver::ComputeChordlessCycles(VelaArray<VelaPath>& oCycles) {
  method_ = Chordless;
  const int result = RunOperator();
  if (result == 0) oCycles = cycles_;
  return result;
}

int VelaGraphSolver::ComputeChordlessCyclesWithSelection(VelaArray<VelaPath>& oCycles) {
  method_ = ChordlessSelection;
  const int result = RunOperator();
  if (result == 0) oCycles = cycles_;
  return result;
}

int VelaGraphSolver::ComputeStronglyConnectedComponents(VelaArray<Component>& oComponents) {
  method_ = StronglyConnectedComponents;
  const int result = RunOperator();
  if (result == 0) oComponents = sccs_;
  return result;
}

int VelaGraphSolver::RunSpanningTree(VelaArray<VelaGraphEdge*>& oTree) {
  method_ = SpanningTree;
  const int result = RunOperator();
  if (result == 0) oTree = tree_;
  return result;
}

int VelaGraphSolver::ComputeConnectedComponents(VelaArray<Component>& oComponents) {
  method_ = ConnectedComponents;
  const int result = RunOperator();
  if (result == 0) oComponents = components_;
  return result;
}

namespace {

const char* MethodLine(VelaGraphSolver::Method iMethod) {
  switch (iMethod) {
    case VelaGraphSolver::Chordless:
      return "Method = Chordless;\n";
    case VelaGraphSolver::ChordlessSelection:
      return "Method = ChordlessSelection;\n";
    case VelaGraphSolver::StronglyConnectedComponents:
      return "Method = StronglyConnectedComponents;\n";
    case VelaGraphSolver::SpanningTree:
      return "Method = SpanningTree;\n";
    case VelaGraphSolver::ConnectedComponents:
      return "Method = ConnectedComponents;\n";
    default:
      return "UNKNOWN";
  }
}

void WriteEdge(VelaStream& s, const VelaGraphEdge& e) {
  s << e.GetName() << ": " << e.firstVertex->GetName() << (e.undirected == 1 ? " -- " : " -> ")
    << e.secondVertex->GetName();
  const bool hasPriority = e.priority != 2;
  const bool hasWeight = e.weight != 0.0;
  if (hasPriority || hasWeight) {
    s << " {";
    if (hasPriority) s << "priority: " << e.priority;
    if (hasPriority && hasWeight) s << ", ";
    if (hasWeight) s << "weight: " << VelaString(e.weight, 17);
    s << " }";
  }
  s << ";\n";
}

// Names separated by ", ", the last followed by ";" (nothing for none).
template <class Item, class NameOf>
void WriteNames(VelaStream& s, const Item* first, const Item* last, NameOf nameOf) {
  for (const Item* p = first; p != last; ++p) {
    if (p != first) s << ", ";
    s << nameOf(*p);
  }
  if (first != last) s << ";";
}

void WriteComponents(VelaStream& s, const VelaArray<VelaGraphSolver::Component>& iComponents) {
  for (const VelaGraphSolver::Component& c : iComponents) {
    WriteNames(s, c.begin(), c.end(), [](const VelaGraphVertex* v) -> const VelaString& { return v->GetName(); });
    s << "\n";
  }
}

}  // namespace

void VelaGraphSolver::WriteInput(VelaStream& iStream) const {
  VelaOperator::WriteInput(iStream);
  iStream << "#!VERTICES\n\n";
  for (const VelaGraphVertex* v : vertices_) iStream << v->GetName() << ";\n";
  iStream << "\n";
  iStream << "\n#!EDGES\n\n";
  for (const VelaGraphEdge* e : edges_) WriteEdge(iStream, *e);
  iStream << "\n";
  iStream << "\n#!OPTIONS\n\n" << MethodLine(method_) << "\n\n";
}

void VelaGraphSolver::WriteOutput(VelaStream& iStream) const {
  VelaOperator::WriteOutput(iStream);
  switch (method_) {
    case Chordless:
    case ChordlessSelection:
      iStream << "\n#!CHORDLESS\n\n";
      for (const VelaPath& p : cycles_) {
        WriteNames(iStream, p.Begin(), p.End(),
                   [](const VelaVertexEdge& ve) -> const VelaString& { return ve.vertex->GetName(); });
        iStream << "\n";
      }
      break;
    case StronglyConnectedComponents:
      iStream << "\n#!STRONGLYCONNECTEDCOMPONENTS\n\n";
      WriteComponents(iStream, sccs_);
      break;
    case ConnectedComponents:
      iStream << "\n#!CONNECTEDCOMPONENTS\n\n";
      WriteComponents(iStream, components_);
      break;
    case SpanningTree:
      iStream << "\n#!SPANNINGTREE\n\n";
      WriteNames(iStream, tree_.begin(), tree_.end(),
                 [](const VelaGraphEdge* e) -> const VelaString& { return e->GetName(); });
      if (!tree_.IsEmpty()) iStream << " ";
      break;
    default:
      break;
  }
}

VelaString VelaGraphSolver::GetOperatorName() const { return VelaString("VelaGraphSolver"); }

VelaString VelaGraphSolver::GetOperatorShortName() const { return VelaString("GrS"); }

VelaOperator::OperatorInfo& VelaGraphSolver::GetOperatorInfo() {
  if (!_pInfo) _pInfo = new OperatorInfo(VelaString("VelaGraphSolver"), VelaString("GrS"), nullptr);
  return *_pInfo;
}

void VelaGraphSolver::Remove() { delete this; }

VelaGraphSolver* KorCreateGraphSolver() { return new VelaGraphSolver(0); }

void KorRemove(VelaGraphSolver* iSolver) {
  if (iSolver) iSolver->Remove();
}
