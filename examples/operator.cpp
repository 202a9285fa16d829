// vela_example_operator: a solver operation of its own, run through the
// operator protocol with replay recording on.
//
// PolylineLength sums the lengths of a polyline's segments. Run() records
// each run's input and output into a replay file of a temporary folder; the
// files are printed (the library version masked, so that the text does not
// change between releases) and the folder is removed.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "vela/VelaUtilities.h"

namespace {

// [guide:operator-class]
class PolylineLength : public VelaOperator {
 public:
  explicit PolylineLength(std::vector<Vela3Point> iPoints) : points_(std::move(iPoints)) {}

  // The work; its result is Run()'s result: 0 success, 1 too few points.
  int RunOperator() override {
    if (points_.size() < 2) return 1;
    length_ = 0.0;
    for (size_t i = 1; i < points_.size(); ++i) length_ += points_[i - 1].DistanceTo(points_[i]);
    return 0;
  }
  void WriteInput(VelaStream& s) const override {
    VelaOperator::WriteInput(s);  // the header: name, stream version, level
    s << "#!POINTS" << velendl << velendl;
    for (const Vela3Point& p : points_) {
      s.WriteDouble(p.GetX());
      s << " ";
      s.WriteDouble(p.GetY());
      s << " ";
      s.WriteDouble(p.GetZ());
      s.WriteDelimiter();
    }
  }
  void WriteOutput(VelaStream& s) const override {
    VelaOperator::WriteOutput(s);  // the output separator line
    s << "length ";
    s.WriteDouble(length_);
    s.WriteDelimiter();
  }
  VelaString GetOperatorName() const override { return "PolylineLength"; }
  VelaString GetOperatorShortName() const override { return "PLen"; }
  void Remove() override { delete this; }  // allocated with new by its user

  double GetLength() const { return length_; }

 protected:
  OperatorInfo& GetOperatorInfo() override {
    static OperatorInfo info("PolylineLength", "PLen", nullptr);  // one per type
    return info;
  }

 private:
  std::vector<Vela3Point> points_;
  double length_ = 0.0;
};
// [guide:operator-class]

// The text of a replay file. The library joins the replay folder and the
// file name with '\\', which is a folder separator for its own streams only.
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

// The file's text with the library version replaced by a placeholder.
std::string MaskVersion(std::string text) {
  const std::string version = GetVelVersion();
  for (size_t at = text.find(version); at != std::string::npos; at = text.find(version, at)) {
    text.replace(at, version.size(), "<version>");
  }
  return text;
}

}  // namespace

int main() {
  VelaStream out(&std::cout);
  std::error_code ignored;
  // A folder of its own, so that no earlier file shifts the run numbers.
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ignored) /
                                       ("vela_example_operator_" + std::to_string(std::random_device{}()));
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::create_directories(folder, ignored);

  // [guide:operator-run]
  VelaGlobalParameters& parameters = GetGlobalParameters();
  parameters.Save();
  parameters.SetReplayPath(folder.string().c_str());
  parameters.SetReplayPrefix("Example");
  parameters.SetReplayMode(3);  // bit value 1: input, bit value 2: output

  const std::vector<std::vector<Vela3Point>> inputs = {
      {Vela3Point(0, 0, 0), Vela3Point(3, 4, 0), Vela3Point(3, 4, 12)},
      {Vela3Point(1, 1, 1)}};
  std::vector<VelaString> files;
  for (const std::vector<Vela3Point>& points : inputs) {
    PolylineLength* length = new PolylineLength(points);
    length->SetVelLevel(parameters.GetVelFullOpenConfigurationLevel());
    const int result = length->Run();  // Example001.VelReplay, then Example002...
    files.push_back(parameters.GetReplayFullName());
    out << "Run() returned " << result << ", length " << length->GetLength() << velendl;
    length->Remove();
  }
  parameters.Restore();
  // [guide:operator-run]

  for (const VelaString& file : files) {
    out << velendl << "== " << VelaExtractFileName(file) << " ==" << velendl;
    out << MaskVersion(ReadReplay(file));
  }
  std::filesystem::remove_all(folder, ignored);
  out << velendl << "replay folder removed: " << (std::filesystem::exists(folder, ignored) ? "no" : "yes")
      << velendl;
  return 0;
}
