// The text stream and the JSON writer on arbitrary values. The first byte
// chooses:
// - a sequence of insertions, writers and manipulators on a memory stream,
//   against the text a standard stream in the "C" locale gives (integers as
//   std::to_string, velsetw as that many fill characters), WriteDouble
//   reading back to the same double, and WriteFixedSizeDouble keeping its
//   width and, for finite values, its value to the digits it shows;
// - a well-nested JSON document of objects, arrays, strings without quotes
//   or escapes and finite numbers: the text parses as JSON into the same
//   tree, every number to the same double;
// - arbitrary JSON writer calls (unbalanced closes, depths, texts): no crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "FuzzInput.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/streams/VelaJSONStream.h"
#include "vela/streams/VelaStream.h"

namespace {

using vela::fuzz::ByteChoices;
using vela::fuzz::Require;

constexpr int kSteps = 80;

std::string Text(const VelaStream& s) { return static_cast<std::stringstream*>(s.GetStream())->str(); }

bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double AnyDouble(ByteChoices& c) {
  static const double kValues[] = {0.0, -0.0, 0.1, 1e300, -1e-300, 123.456, 9.99999999, 5e-324, NAN, -INFINITY};
  return c.Chance(50) ? c.RawDouble() : kValues[c.Pick(10)];
}

std::string Ascii(ByteChoices& c, std::size_t max) {
  std::string text;
  for (std::size_t n = c.Pick(max + 1); n > 0; --n) text += static_cast<char>(' ' + c.Pick(95));
  return text;
}

// ---- Text stream ------------------------------------------------------------------

// Appends to `expected` what one write should produce on `s`; `format` is a
// standard stream in the state the writes so far left the stream in.
void StreamStep(ByteChoices& c, VelaStream& s, std::ostringstream& format, std::string& expected, char& fill) {
  const auto as = [&format](auto value) {
    format.str("");
    format << value;
    return format.str();
  };
  switch (c.Pick(12)) {
    case 0: {
      const int v = static_cast<int>(c.Bits());
      s << v;
      expected += std::to_string(v);
      break;
    }
    case 1: {
      const unsigned v = c.Bits();
      s << v;
      expected += std::to_string(v);
      break;
    }
    case 2: {
      const long long v = static_cast<long long>(c.Bits64());
      s << v;
      expected += std::to_string(v);
      break;
    }
    case 3: {
      const unsigned long long v = c.Bits64();
      s << v;
      expected += std::to_string(v);
      break;
    }
    case 4: {
      const short v = static_cast<short>(c.Bits());
      s.WriteShort(v);
      expected += std::to_string(v);
      break;
    }
    case 5: {
      const std::string t = Ascii(c, 12);
      s << t.c_str();
      expected += t;
      break;
    }
    case 6: {
      const std::string t = Ascii(c, 12);
      s.WriteLine(VelaString(t.c_str()));
      expected += t + "\n";
      break;
    }
    case 7: {
      const int n = static_cast<int>(c.Pick(21));
      s << velsetw(n);
      expected.append(static_cast<std::size_t>(n), fill);
      break;
    }
    case 8:
      fill = static_cast<char>(' ' + c.Pick(95));
      s << velsetfill(fill);
      break;
    case 9: {
      const int p = static_cast<int>(c.Pick(30));
      s << velsetprecision(p);
      format.precision(p);
      break;
    }
    case 10:
      if (c.Chance(10)) {
        s << velsetfixedfloatfield();
        format.setf(std::ios::fixed, std::ios::floatfield);
      } else {
        s << velendl;
        expected += "\n";
      }
      break;
    default: {
      const double v = AnyDouble(c);
      s << v;
      expected += as(v);
      break;
    }
  }
}

void TextStream(ByteChoices& c) {
  VelaStream s;
  std::ostringstream format;
  format.imbue(std::locale::classic());
  std::string expected;
  char fill = ' ';
  for (int step = 0; step < kSteps && !c.Exhausted(); ++step) StreamStep(c, s, format, expected, fill);
  s.Flush();
  Require(Text(s) == expected, "the stream wrote \"" + Text(s) + "\", expected \"" + expected + "\"");
}

// The place value of the last digit of a number as WriteFixedSizeDouble
// writes it ("1.50e12" 1e10, "0.0500" 1e-4, "12345678." 1).
double LastPlace(const std::string& text) {
  const std::size_t e = text.find('e');
  const std::string mantissa = text.substr(0, e);
  const int exponent = e == std::string::npos ? 0 : std::atoi(text.c_str() + e + 1);
  const std::size_t point = mantissa.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
  return std::pow(10.0, exponent - decimals);
}

// WriteDouble reads back exactly; WriteFixedSizeDouble keeps its width and
// shows the value to its digits.
void Numbers(ByteChoices& c) {
  const double v = AnyDouble(c);
  VelaStream exact;
  exact.WriteDouble(v);
  const std::string text = Text(exact);
  if (std::isfinite(v)) {
    char* end = nullptr;
    const double back = std::strtod(text.c_str(), &end);
    Require(*end == '\0' && SameDouble(back, v), "WriteDouble wrote " + text);
  }
  const int precision = 4 + static_cast<int>(c.Pick(13));
  GetGlobalParameters().SetPrecision(precision);
  VelaStream fixed;
  fixed.WriteFixedSizeDouble(v);
  const std::string shown = Text(fixed);
  Require(shown.size() == static_cast<std::size_t>(precision) + 3,
          "WriteFixedSizeDouble at precision " + std::to_string(precision) + " wrote \"" + shown + "\"");
  if (!std::isfinite(v)) return;
  char* end = nullptr;
  const double back = std::strtod(shown.c_str(), &end);
  // An exponent form without decimals ends with its point: 2e5.
  Require(*end == '\0' || std::strcmp(end, ".") == 0, "WriteFixedSizeDouble wrote \"" + shown + "\"");
  // The text is the value rounded to its last digit, give or take the
  // scaling: a large mantissa is a * 0.1^e, and 0.1 is inexact, so it is off
  // by up to e * 2^-54 (about 1.7e-14 at e = 308); plus a margin for
  // subnormal values.
  const double bound = 0.5 * LastPlace(shown) + 4e-14 * std::fabs(v) + 1e-323;
  Require(std::fabs(back - v) <= bound, "WriteFixedSizeDouble wrote \"" + shown + "\" for " + text);
}

// ---- JSON ---------------------------------------------------------------------

struct Value {
  enum Kind { kNumber, kString, kObject, kArray } kind = kNumber;
  double number = 0.0;
  std::string text;
  std::vector<std::pair<std::string, Value>> members;  // keys empty in arrays
};

bool Same(const Value& a, const Value& b) {
  if (a.kind != b.kind || a.text != b.text || !SameDouble(a.number, b.number)) return false;
  if (a.members.size() != b.members.size()) return false;
  for (std::size_t i = 0; i < a.members.size(); ++i) {
    if (a.members[i].first != b.members[i].first || !Same(a.members[i].second, b.members[i].second)) return false;
  }
  return true;
}

// A strict reader of the JSON the writer can produce (no escapes).
class Reader {
 public:
  explicit Reader(const std::string& text) : t_(text) {}
  bool Document(Value& v) {
    if (!Parse(v)) return false;
    Skip();
    return i_ == t_.size();
  }

 private:
  void Skip() {
    while (i_ < t_.size() && std::strchr(" \n\r\t", t_[i_]) != nullptr && t_[i_] != '\0') ++i_;
  }
  bool Eat(char ch) {
    Skip();
    if (i_ < t_.size() && t_[i_] == ch) return ++i_, true;
    return false;
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    const std::size_t close = t_.find('"', i_);
    if (close == std::string::npos) return false;
    out = t_.substr(i_, close - i_);
    i_ = close + 1;
    return out.find('\\') == std::string::npos;
  }
  bool Members(Value& v, char close, bool named) {
    if (Eat(close)) return true;
    do {
      std::pair<std::string, Value> m;
      if (named && !(String(m.first) && Eat(':'))) return false;
      if (!Parse(m.second)) return false;
      v.members.push_back(std::move(m));
    } while (Eat(','));
    return Eat(close);
  }
  bool Parse(Value& v) {
    Skip();
    if (Eat('{')) return v.kind = Value::kObject, Members(v, '}', true);
    if (Eat('[')) return v.kind = Value::kArray, Members(v, ']', false);
    if (i_ < t_.size() && t_[i_] == '"') return v.kind = Value::kString, String(v.text);
    const std::size_t end = t_.find_first_not_of("-+.0123456789eE", i_);
    const std::string token = t_.substr(i_, end - i_);
    if (token.empty() || token[0] == '+' || token[0] == '.') return false;
    char* stop = nullptr;
    v.number = std::strtod(token.c_str(), &stop);
    i_ = end == std::string::npos ? t_.size() : end;
    return *stop == '\0';
  }

  const std::string& t_;
  std::size_t i_ = 0;
};

class JsonWriter {
 public:
  explicit JsonWriter(ByteChoices& c) : c_(c), json_(stream_, 1, 0) {}

  // Writes a random document and returns the tree it stands for.
  Value Document() {
    Value root;
    Container(root, "", 0);
    return root;
  }
  std::string Written() {
    stream_.Flush();
    return Text(stream_);
  }

 private:
  // Quote- and escape-free text, names never empty.
  std::string Safe(bool name) {
    std::string text = name ? "k" : "";
    for (std::size_t n = c_.Pick(6); n > 0; --n) {
      const char ch = static_cast<char>(' ' + c_.Pick(95));
      if (ch != '"' && ch != '\\') text += ch;
    }
    return text;
  }

  void Container(Value& v, const std::string& name, int depth) {
    const bool array = c_.Chance(40);
    v.kind = array ? Value::kArray : Value::kObject;
    if (array) {
      json_.WriteArrayStart(name.c_str());
    } else {
      json_.WriteObjectStart(name.c_str(), static_cast<unsigned char>(c_.Pick(2)));
    }
    for (std::size_t n = c_.Pick(5); n > 0 && !c_.Exhausted(); --n) {
      std::pair<std::string, Value> m{array ? "" : Safe(true), Value()};
      Member(m.second, m.first, depth);
      v.members.push_back(std::move(m));
    }
    if (array) {
      json_.WriteArrayEnd();
    } else {
      json_.WriteObjectEnd();
    }
  }

  void Member(Value& v, const std::string& name, int depth) {
    const VelaString key(name.c_str());
    switch (c_.Pick(depth < 4 ? 5 : 4)) {
      case 0: {
        double d = c_.RawDouble();
        if (!std::isfinite(d)) d = 0.5;
        v.number = d;
        json_.Write<double>(key, d);
        break;
      }
      case 1: v.kind = Value::kString; v.text = Safe(false); json_.Write<const char*>(key, v.text.c_str()); break;
      case 2: v.kind = Value::kString; v.text = Safe(false); json_.Write<std::string>(key, v.text); break;
      case 3:
        v.kind = Value::kString;
        v.text = Safe(false);
        json_.Write<VelaString>(key, VelaString(v.text.c_str()));
        break;
      default: Container(v, name, depth + 1); break;
    }
  }

  ByteChoices& c_;
  VelaStream stream_;
  VelaJSONStream json_;
};

void Json(ByteChoices& c) {
  JsonWriter writer(c);
  const Value expected = writer.Document();
  const std::string text = writer.Written();
  Value read;
  Require(Reader(text).Document(read), "not JSON: " + text);
  Require(Same(read, expected), "JSON of another document: " + text);
}

// Any calls in any order, texts with quotes and control characters, any
// starting state.
void JsonCalls(ByteChoices& c) {
  VelaStream s;
  VelaJSONStream json(s, static_cast<int>(c.Pick(2)), static_cast<int>(c.Pick(7)) - 3);
  for (int step = 0; step < kSteps && !c.Exhausted(); ++step) {
    const std::string name = c.Text(6);
    const std::string text = c.Text(6);
    switch (c.Pick(8)) {
      case 0: json.WriteObjectStart(name.c_str(), static_cast<unsigned char>(c.Pick(3))); break;
      case 1: json.WriteArrayStart(name.c_str()); break;
      case 2: json.WriteObjectEnd(); break;
      case 3: json.WriteArrayEnd(); break;
      case 4: json.Write<double>(name.c_str(), AnyDouble(c)); break;
      case 5: json.Write<std::string>(name.c_str(), text); break;
      case 6: json.Write<const char*>(name.c_str(), c.Chance(20) ? nullptr : text.c_str()); break;
      default: json.SetIndent(static_cast<int>(c.Pick(9)) - 4); break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices c(data, size);
  switch (c.Pick(4)) {
    case 0: TextStream(c); break;
    case 1: Numbers(c); break;
    case 2: Json(c); break;
    default: JsonCalls(c); break;
  }
  return 0;
}
