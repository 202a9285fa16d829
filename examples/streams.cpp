// vela_example_streams: write numbers through VelaStream into a memory
// buffer and into a caller's stream, and a JSON document with VelaJSONStream.

#include <iostream>
#include <sstream>
#include <string>

#include "vela/VelaUtilities.h"

namespace {

// A stream that owns an in-memory buffer; its text is read back at the end.
std::string WriteToMemory() {
  // [guide:memory-stream]
  VelaStream buffer;  // owns a std::stringstream
  buffer << "radius " << 2.5 << ", count " << 3 << velendl;
  buffer.WriteDouble(0.1);  // always "%.17g", whatever the stream's settings
  buffer.WriteDelimiter();  // ";\n"
  buffer << velsetprecision(3) << "pi to 3 digits: " << 3.14159265 << velendl;
  const std::string text = static_cast<std::stringstream*>(buffer.GetStream())->str();
  // [guide:memory-stream]
  return text;
}

// A stream over the caller's std::ostream: the caller keeps and frees it.
std::string WriteToCallerStream() {
  // [guide:caller-stream]
  std::ostringstream mine;
  {
    VelaStream out(&mine);
    out << velsetw(4) << "indented by velsetw(4)" << velendl;
    out << velsetfixedfloatfield() << velsetprecision(2) << "fixed: " << 1.0 / 3.0 << velendl;
    out << "columns:";
    for (double v : {0.0, -0.5, 123.456, 1.5e12}) {
      out << " ";
      out.WriteFixedSizeDouble(v);  // P + 3 characters, P = the working precision
    }
    out << velendl;
  }  // the VelaStream is gone; `mine` is untouched and still usable
  // [guide:caller-stream]
  return mine.str();
}

// [guide:json]
void WriteJson(VelaStream& out) {
  VelaJSONStream json(out, 1, 0);  // first item opens the document, depth 0
  json.WriteObjectStart("", 0);
  json.Write<const char*>("name", "bracket");
  json.Write<double>("tolerance", 1e-6);
  json.WriteArrayStart("lengths");
  for (double length : {10.0, 12.5}) json.Write<double>("", length);
  json.WriteArrayEnd();
  json.WriteObjectStart("origin", 1);  // inline: {"x": 0, "y": 0}
  json.Write<double>("x", 0.0);
  json.Write<double>("y", 0.0);
  json.WriteObjectEnd();
  json.WriteObjectEnd();
  out << velendl;
}
// [guide:json]

}  // namespace

int main() {
  VelaStream out(&std::cout);
  out << "-- memory buffer" << velendl << WriteToMemory();
  out << "-- caller's stream" << velendl << WriteToCallerStream();
  out << "-- JSON" << velendl;
  WriteJson(out);
  return 0;
}
