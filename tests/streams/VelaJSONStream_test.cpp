// JSON writer: separators, line breaks and indentation of nested, inline and
// empty containers, compared byte for byte as whole texts.
#include "vela/streams/VelaJSONStream.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "vela/streams/VelaStream.h"

namespace {

std::string Text(const VelaStream& s) {
  return static_cast<std::stringstream*>(s.GetStream())->str();
}

// Whether Write can be called with a value of type T.
template <typename T, typename = void>
struct CanWrite : std::false_type {};
template <typename T>
struct CanWrite<T, std::void_t<decltype(std::declval<VelaJSONStream&>().Write(
                       std::declval<const VelaString&>(), std::declval<const T&>()))>>
    : std::true_type {};

static_assert(CanWrite<double>::value && CanWrite<const char*>::value &&
                  CanWrite<std::string>::value && CanWrite<VelaString>::value,
              "the four value types are written");
static_assert(!CanWrite<int>::value && !CanWrite<float>::value && !CanWrite<bool>::value,
              "other types are refused at compile time rather than at link time");

// The whole text that `write` produces on a writer built with (first,
// indent), after checking the depth it leaves.
template <typename Write>
std::string Written(Write write, int finalIndent = 0, int first = 1, int indent = 0) {
  VelaStream s;
  VelaJSONStream json(s, first, indent);
  write(json);
  EXPECT_EQ(json.GetIndent(), finalIndent);
  return Text(s);
}

TEST(VelaJSONStream, ObjectMembersGoOnIndentedLinesAndInlineObjectsOnOne) {
  EXPECT_EQ(Written([](VelaJSONStream& json) {
              json.WriteObjectStart("", 0);
              json.Write<double>("a", 1.5);
              json.Write<const char*>("b", "x");
              json.WriteObjectEnd();
            }),
            "{\n  \"a\": 1.5, \n  \"b\": \"x\"\n}");
  EXPECT_EQ(Written([](VelaJSONStream& json) {
              json.WriteObjectStart("", 1);
              json.Write<double>("a", 1);
              json.Write<double>("b", 2);
              json.WriteObjectEnd();
            }),
            "{\"a\": 1, \"b\": 2}");
}

TEST(VelaJSONStream, NestedContainersIndentTwoBlanksPerLevel) {
  EXPECT_EQ(Written([](VelaJSONStream& json) {
              json.WriteObjectStart("", 0);
              json.Write<VelaString>("name", VelaString("solver"));
              json.WriteObjectStart("options", 0);
              json.Write<double>("tolerance", 0.1);
              json.WriteArrayStart("levels");
              json.Write<double>("", 1);
              json.Write<std::string>("", "three");
              json.WriteArrayEnd();
              json.WriteObjectEnd();
              json.WriteObjectStart("p", 1);
              json.Write<double>("x", 1);
              json.WriteObjectEnd();
              json.Write<double>("count", 1e21);
              json.WriteObjectEnd();
            }),
            "{\n"
            "  \"name\": \"solver\", \n"
            "  \"options\": {\n"
            "    \"tolerance\": 0.10000000000000001, \n"
            "    \"levels\": [\n"
            "      1, \n"
            "      \"three\"\n"
            "    ]\n"
            "  }, \n"
            "  \"p\": {\"x\": 1}, \n"
            "  \"count\": 1e+21\n"
            "}");
  EXPECT_EQ(Written([](VelaJSONStream& json) {
              json.WriteArrayStart("");
              json.WriteObjectStart("", 1);
              json.Write<double>("x", 0);
              json.WriteObjectEnd();
              json.WriteObjectStart("", 0);
              json.Write<double>("y", -0.0);
              json.WriteObjectEnd();
              json.WriteArrayEnd();
            }),
            "[\n  {\"x\": 0}, \n  {\n    \"y\": -0\n  }\n]");
}

// An empty array still breaks its line and the next member takes the
// separator.
TEST(VelaJSONStream, EmptyContainersAreFollowedByTheSeparator) {
  EXPECT_EQ(Written([](VelaJSONStream& json) {
              json.WriteObjectStart("", 0);
              json.WriteArrayStart("list");
              json.WriteArrayEnd();
              json.Write<double>("n", 3);
              json.WriteObjectStart("none", 1);
              json.WriteObjectEnd();
              json.WriteObjectStart("open", 0);
              json.WriteObjectEnd();
              json.WriteObjectEnd();
            }),
            "{\n"
            "  \"list\": [\n"
            "\n"
            "  ], \n"
            "  \"n\": 3, \n"
            "  \"none\": {}, \n"
            "  \"open\": {\n"
            "\n"
            "  }\n"
            "}");
}

// Closing any container leaves the writer non-inline, so an inline outer
// object continues on new lines (and its close drops the depth below 0).
TEST(VelaJSONStream, ContainerInsideAnInlineObjectEndsItsOneLineLayout) {
  EXPECT_EQ(Written(
                [](VelaJSONStream& json) {
                  json.WriteObjectStart("", 1);
                  json.WriteObjectStart("p", 1);
                  json.Write<double>("x", 1);
                  json.WriteObjectEnd();
                  json.Write<double>("c", 2);
                  json.WriteObjectEnd();
                },
                -1),
            "{\"p\": {\"x\": 1}, \n\"c\": 2\n}");
  EXPECT_EQ(Written(
                [](VelaJSONStream& json) {
                  json.WriteObjectStart("outer", 1);
                  json.Write<double>("a", 1);
                  json.WriteObjectStart("o", 0);
                  json.Write<double>("x", 2);
                  json.WriteObjectEnd();
                  json.Write<double>("b", 3);
                  json.WriteObjectEnd();
                },
                0, 1, 1),
            "  \"outer\": {\"a\": 1, \"o\": {\n    \"x\": 2\n  }, \n  \"b\": 3\n}");
}

TEST(VelaJSONStream, StringsAndNamesAreWrittenUnescaped) {
  EXPECT_EQ(Written([](VelaJSONStream& json) {
              json.WriteObjectStart("", 1);
              json.Write<const char*>("say \"hi\"", "a \"quoted\" word");
              json.Write<std::string>("path", std::string("C:\\tmp\\x"));
              json.Write<VelaString>("q", VelaString("\""));
              json.Write<const char*>("null", nullptr);
              json.Write<VelaString>("empty", VelaString());
              json.WriteObjectEnd();
            }),
            "{\"say \"hi\"\": \"a \"quoted\" word\", \"path\": \"C:\\tmp\\x\", "
            "\"q\": \"\"\", \"null\": \"\", \"empty\": \"\"}");
}

// The caller may already have written members (first = 0, any non-zero is
// true) at some depth, and may move the depth; a negative one indents nothing.
TEST(VelaJSONStream, ConstructorFlagsAndSetIndentPlaceTheFollowingLines) {
  EXPECT_EQ(Written(
                [](VelaJSONStream& json) {
                  json.Write<double>("x", 0.5);
                  json.WriteArrayStart("v");
                  json.Write<double>("", 1);
                  json.WriteArrayEnd();
                  json.SetIndent(1);
                  json.WriteObjectEnd();
                },
                0, 0, 2),
            ", \n    \"x\": 0.5, \n    \"v\": [\n      1\n    ]\n}");
  EXPECT_EQ(Written(
                [](VelaJSONStream& json) {
                  json.Write<double>("a", 1);
                  json.SetIndent(-2);
                  json.Write<double>("b", 2);
                  json.SetIndent(0);
                  json.Write<double>("c", 3);
                },
                0, -7, 3),
            "      \"a\": 1, \n\"b\": 2, \n\"c\": 3");
}

TEST(VelaJSONStream, WritesThroughACallersStreamAndDropsWithoutOne) {
  std::ostringstream out;
  VelaStream user(&out);
  VelaJSONStream json(user, 1, 0);
  json.WriteArrayStart("");
  json.Write<double>("", 0.1);
  json.WriteArrayEnd();
  EXPECT_EQ(out.str(), "[\n  0.10000000000000001\n]");

  VelaStream none(nullptr);
  VelaJSONStream dropped(none, 1, 0);
  dropped.WriteObjectStart("a", 0);
  dropped.Write<double>("b", 1);
  dropped.WriteObjectEnd();
  EXPECT_EQ(dropped.GetIndent(), 0);
}

}  // namespace
