// vela_demo: a short tour of VelaUtilities.
//
// Each section prints a heading and what the library computes; the output
// is plain text on standard output through the library's own stream.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "vela/VelaUtilities.h"
#include "vela/operator/VelaOperator.h"

namespace {

void Heading(VelaStream& out, const char* title) {
  out << velendl << "== " << title << " ==" << velendl;
}

// Copy-on-write strings: copies share one block until one of them changes.
void ShowStrings(VelaStream& out) {
  Heading(out, "Strings");
  VelaString name("constraint");
  VelaString copy = name;
  out << "copy shares the text:    " << (copy.str() == name.str() ? "yes" : "no") << velendl;
  copy += "_42";
  out << "after a write:           " << name << " / " << copy << velendl;
  out << "numbers:                 " << VelaString(0.1) << ", " << VelaString(0.1, 3) << ", "
      << VelaString(4294967295UL) << velendl;
  out << "padded:                  " << FillString(VelaString(42), 5, '0') << velendl;

  VelaString line("  point   line  circle ");
  VelaString::token cursor;
  out << "tokens:                 ";
  while (line.getToken(cursor, " ")) out << " [" << cursor.getToken() << "]";
  out << velendl;
}

// The custom environment sits under the process environment.
void ShowEnvironment(VelaStream& out) {
  Heading(out, "Environment");
  VelaSetEnv("VelaDemoTolerance", "2.5");
  VelaSetEnv("VelaDemoLevel", "3");
  out << "VelaDemoTolerance = " << VelaGetEnvF("VelaDemoTolerance") << velendl;
  out << "VelaDemoLevel     = " << VelaGetEnvI("VelaDemoLevel") << velendl;
  VelaPrintEnv(out);
  VelaFlushEnv();
}

// File names, in either separator style.
void ShowFileNames(VelaStream& out) {
  Heading(out, "File names");
  const VelaString path("C:\\runs\\InputData\\set1\\sketch/part.model");
  out << "extension:   " << VelaGetFileExt(path) << velendl;
  out << "as replay:   " << VelaChangeFileExt(path, chReplayExt) << velendl;
  out << "file name:   " << VelaExtractFileName(path) << velendl;
  out << "folder:      " << VelaExtractDirName(path) << velendl;
  out << "below input: " << VelaExtractFullFileName(path) << velendl;
}

// The stream's manipulators and number formats.
void ShowStream(VelaStream& out) {
  Heading(out, "Stream");
  out << velsetw(4) << "indented by velsetw(4)" << velendl;
  out << "WriteDouble(0.1): ";
  out.WriteDouble(0.1);
  out << velendl;
  out << velsetprecision(3) << "precision 3: " << 3.14159265 << velendl;
  out << velsetfill('.') << velsetw(10) << "filled" << velendl;
  out << velsetprecision(6) << velsetfill(' ');  // the settings persist: restore them
}

// Small-buffer arrays, the pointer hash table and the priority queue.
void ShowContainers(VelaStream& out) {
  Heading(out, "Containers");
  VelaArray<double> lengths;
  for (int i = 1; i <= 5; ++i) lengths.Append(1.5 * i);
  out << "array of " << lengths.Size() << " doubles, capacity " << lengths.Capacity()
      << " held inside the object" << velendl;

  // Names looked up by their text, whichever string object carries it.
  VelaString names[] = {"line", "circle", "point"};
  VelaHashTable byName(0, VelaStringPtrHashIt, VelaStringPtrHashCompare);
  for (VelaString& name : names) byName.Insert(&name);
  VelaString probe("circle");
  const auto* found = static_cast<const VelaString*>(byName.Locate(&probe));
  out << "hash table of " << byName.Size() << " names finds \"" << (found ? found->str() : "")
      << "\"" << velendl;

  // The greatest value on top, under a comparison object shared by handles.
  struct ByLength : VelaMoreComparison<void*> {
    bool less(void* const& a, void* const& b) const override {
      return *static_cast<double*>(a) < *static_cast<double*>(b);
    }
  };
  double values[] = {3.5, 0.25, 2.0};
  VelaPriorityQueueWrapper<void*, VelaMore<void*>> queue{VelaMore<void*>(new ByLength)};
  for (double& v : values) queue.Push(&v);
  out << "priority queue pops:";
  while (!queue.Empty()) {
    out << " " << *static_cast<double*>(queue.Top());
    queue.Pop();
  }
  out << velendl;
}

// The process configuration, read once from the environment.
void ShowConfiguration(VelaStream& out) {
  Heading(out, "Configuration");
  VelaGlobalParameters& parameters = GetGlobalParameters();
  out << "next replay file: " << parameters.GetReplayFullName() << velendl;
  out << "working precision: " << parameters.GetPrecision() << velendl;

  VelaJSONStream json(out, 1, 0);
  json.WriteObjectStart("", 0);
  json.Write<VelaString>("version", GetVelVersion());
  json.Write<double>("goalAccuracy", VelaGoalAccuracy);
  json.WriteObjectEnd();
  out << velendl;
}

void ShowClock(VelaStream& out) {
  Heading(out, "Clock");
  const long start = VelaClock();
  double sum = 0.0;
  for (int i = 1; i <= 1000000; ++i) sum += 1.0 / i;
  const long elapsed = VelaClock() - start;
  out << "harmonic sum " << sum << " took " << elapsed << " ticks of 1/"
      << VelaClockPerSec() << " s" << velendl;
}

// A solver operation of the demo's own: the mean of a few lengths. Its
// input and output sections are what its replay file records.
class MeanOperator : public VelaOperator {
 public:
  explicit MeanOperator(const VelaListOfDouble& iValues) : values_(iValues) {}

  int RunOperator() override {
    if (values_.Size() == 0) return 1;
    double sum = 0.0;
    for (int i = 0; i < values_.Size(); ++i) sum += values_[i];
    mean_ = sum / values_.Size();
    return 0;
  }
  void WriteInput(VelaStream& s) const override {
    VelaOperator::WriteInput(s);
    s << "values " << values_.Size() << velendl;
    for (int i = 0; i < values_.Size(); ++i) {
      s.WriteDouble(values_[i]);
      s.WriteDelimiter();
    }
  }
  void WriteOutput(VelaStream& s) const override {
    VelaOperator::WriteOutput(s);
    s << "mean ";
    s.WriteDouble(mean_);
    s.WriteDelimiter();
  }
  VelaString GetOperatorName() const override { return "VelaDemoMean"; }
  VelaString GetOperatorShortName() const override { return "Mean"; }
  void Remove() override { delete this; }
  double GetMean() const { return mean_; }

 protected:
  OperatorInfo& GetOperatorInfo() override {
    static OperatorInfo info("VelaDemoMean", "Mean", nullptr);
    return info;
  }

 private:
  VelaListOfDouble values_;
  double mean_ = 0.0;
};

// An operator run through the protocol with replay mode 3 (input and
// output recorded), in a folder of the system's temporary directory; the
// file is shown, then removed.
void ShowOperator(VelaStream& out, const std::filesystem::path& folder) {
  Heading(out, "Operator run");
  std::error_code ignored;

  VelaGlobalParameters& parameters = GetGlobalParameters();
  parameters.Save();
  parameters.SetReplayPath(folder.string().c_str());
  parameters.SetReplayMode(3);

  VelaListOfDouble lengths;
  for (double v : {2.0, 3.5, 4.25}) lengths.Append(v);
  MeanOperator* mean = new MeanOperator(lengths);
  // The replay name is the next free one: Vela001, Vela002... in the folder.
  parameters.GenerateNextReplayName("");
  const VelaString replayName = parameters.GetReplayFullName();
  const int result = mean->Run();
  out << "Run() returned " << result << ", mean " << mean->GetMean() << velendl;
  mean->Remove();
  parameters.Restore();

  out << "replay file " << replayName << ":" << velendl;
  std::string path = replayName.str();
  for (char& c : path) {
    if (c == '\\') c = '/';  // the library's own folder separator
  }
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  out << text.str();
  file.close();
  std::filesystem::remove(path, ignored);  // the demo leaves no file behind
}

// The text of a file the library wrote; its names use '\\' as the folder
// separator, which is '/' here.
std::string ReadReplay(const VelaString& name) {
  std::string path = name.str();
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

template <typename Vertices>
VelaString VertexNames(const Vertices& vertices) {
  VelaString names;
  for (const VelaGraphVertex* v : vertices) names << (names.isEmpty() ? "" : " ") << v->GetName();
  return names;
}

// The road of one recorded operator run: a sketch of points and
// constraints becomes a constraint graph; the graph solver runs through
// Run() with replay mode 3, so every run leaves a replay file.
void ShowGraphRun(VelaStream& out, const std::filesystem::path& folder) {
  Heading(out, "Recorded graph solver runs");
  VelaGlobalParameters& parameters = GetGlobalParameters();
  parameters.Save();
  parameters.SetReplayPath(folder.string().c_str());
  parameters.SetReplayMode(3);

  // Points of a sketch (numbered in creation order) and the constraints
  // between them, each with a weight for the spanning tree.
  VelaGraphSolver* solver = KorCreateGraphSolver();
  const char* points[] = {"P0", "P1", "P2", "P3", "P4", "P5"};
  VelaGraphVertex* p[6];
  for (int i = 0; i < 6; ++i) {
    p[i] = solver->CreateVertex(points[i]);
    p[i]->SetIndex(i);
  }
  struct Constraint { const char* name; int a, b; double weight; };
  const Constraint constraints[] = {{"distance01", 0, 1, 1.0}, {"distance12", 1, 2, 2.0},
                                    {"angle23", 2, 3, 1.5},    {"coincidence30", 3, 0, 0.5},
                                    {"distance25", 2, 5, 3.0}, {"parallel54", 5, 4, 0.75},
                                    {"tangency41", 4, 1, 2.5}};
  for (const Constraint& c : constraints) {
    solver->CreateEdge(c.name, p[c.a], p[c.b], 1)->SetWeight(c.weight);
  }

  solver->SetMethod(VelaGraphSolver::ChordlessSelection);
  parameters.GenerateNextReplayName("");
  const VelaString firstReplay = parameters.GetReplayFullName();
  out << "chordless cycles with selection: Run() returned " << solver->Run() << velendl;
  for (const VelaPath& cycle : solver->GetChordlessCycles()) {
    VelaString names;
    for (int i = 0; i < cycle.Size(); ++i) names << (i ? " " : "") << cycle[i]->GetName();
    out << "  cycle " << names << velendl;
  }

  solver->SetMethod(VelaGraphSolver::StronglyConnectedComponents);
  out << "strongly connected components: Run() returned " << solver->Run() << velendl;
  for (const auto& component : solver->GetStronglyConnectedComponents()) {
    out << "  component " << VertexNames(component) << velendl;
  }

  solver->SetMethod(VelaGraphSolver::SpanningTree);
  out << "minimum spanning tree: Run() returned " << solver->Run() << velendl;
  for (const VelaGraphEdge* edge : solver->GetSpanningTree()) {
    out << "  edge " << edge->GetName() << " (" << edge->weight << ")" << velendl;
  }
  KorRemove(solver);
  parameters.Restore();

  out << velendl << "replay file of the first run, " << firstReplay << ":" << velendl
      << ReadReplay(firstReplay);
}

// Dense linear algebra: a symmetric indefinite system solved through its
// LDLt factors, and the singular values of a rank-deficient matrix.
void ShowLinearAlgebra(VelaStream& out) {
  Heading(out, "Linear algebra");
  const double packed[] = {0.0, 1.0, 2.0, 3.0, 1.0, -1.0};  // lower triangle by rows
  VelaSymmetricMatrix S(3, packed);
  VelaVector b(3, 1.0), x;
  const bool solved = S.SolveLDLt(0, b, x) != 0;
  out << "S x = (1, 1, 1) by LDLt:  " << (solved ? "solved" : "failed") << ", x = (" << x[0] << ", " << x[1]
      << ", " << x[2] << ")" << velendl;
  VelaVector residual = S * x - b;
  out << "residual norm:            " << residual.GetNorm2(-1) << velendl;

  const double values[] = {1.0, 2.0, 2.0, 4.0, 3.0, 6.0};
  VelaMatrix A(3, 2, values);
  VelaMatrix U, V;
  double sigma[2] = {0.0, 0.0};
  A.FactorisationSVD(U, sigma, V);
  out << "singular values of A:     " << sigma[0] << ", " << sigma[1] << velendl;
  // The script-syntax dump goes to its own in-memory stream: its fixed-size
  // number format would otherwise stay on the demo's output stream.
  VelaStream dump;
  A.Write("A", &dump);
  out << static_cast<std::stringstream*>(dump.GetStream())->str();
}

// A screw motion: a quarter turn about the vertical axis through (1, 2, 0)
// while sliding 0.5 along it. Its screw parameters give the axis back; its
// exponential coordinates (angle times axis, then the translational part)
// scale with Pow.
void ShowTransformation(VelaStream& out) {
  Heading(out, "Rigid transformation");
  VelaTransformation screw;
  screw.SetHelicalParameters(Vela3Vector(1, 2, 7), Vela3Vector(0, 0, 1), 1.5707963267948966, 0.5);
  Vela3Vector point, axis;
  double angle = 0.0, slide = 0.0;
  screw.GetHelicalParameters(point, axis, angle, slide);
  out << "screw axis through (" << point.GetX() << ", " << point.GetY() << ", " << point.GetZ() << ") along ("
      << axis.GetX() << ", " << axis.GetY() << ", " << axis.GetZ() << ")" << velendl;
  out << "turns by " << angle << " rad, slides " << slide << velendl;
  for (double power : {1.0, 0.5}) {
    VelaTransformation T = screw;
    T.Pow(power);
    double twist[6];
    T.GetExponentialParameters(twist);
    out << "exponential coordinates of the screw^" << power << ":";
    for (double c : twist) out << " " << c;
    out << velendl;
  }
}

}  // namespace

// vela_demo [output folder]: the recorded runs write their replay files
// there (by default a folder vela_demo in the temporary folder).
int main(int argc, char** argv) {
  std::error_code ignored;
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::temp_directory_path(ignored) / "vela_demo";
  std::filesystem::create_directories(folder, ignored);
  VelaStream out(&std::cout);
  out << "VelaUtilities " << GetVelVersion() << velendl;
  ShowStrings(out);
  ShowEnvironment(out);
  ShowFileNames(out);
  ShowStream(out);
  ShowContainers(out);
  ShowConfiguration(out);
  ShowClock(out);
  ShowLinearAlgebra(out);
  ShowTransformation(out);
  ShowOperator(out, folder);
  ShowGraphRun(out, folder);
  return 0;
}
