// docs/configuration.md stays true to the code: every key the global and
// the auto-constraining parameters read is documented, and every key the
// reference lists is read.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "config/AutoConstrainingKeys.h"
#include "config/GlobalParameterKeys.h"
#include "support/TestSupport.h"

namespace {

// The reference sits at docs/configuration.md, two folders above this file.
std::string Reference() {
  const std::filesystem::path root =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
  return vela::test::ReadFile((root / "docs" / "configuration.md").string());
}

std::set<std::string> KeysTheCodeReads() {
  std::set<std::string> keys;
  for (const auto& rule : vela::detail::kGlobalParameterKeys) keys.insert(rule.name);
  for (const char* key : vela::detail::kOtherGlobalParameterKeys) keys.insert(key);
  keys.insert(vela::detail::kACActivationKey);
  keys.insert(vela::detail::kACDefaultPropagKey);
  for (const char* key : vela::detail::kACUsedKeys) keys.insert(key);
  for (const char* key : vela::detail::kACPropagKeys) keys.insert(key);
  return keys;
}

// How many names the tables hold. The set of keys is as large only when no
// name appears twice, which the set alone would hide.
constexpr std::size_t kKeysTheCodeReads =
    std::size(vela::detail::kGlobalParameterKeys) +
    std::size(vela::detail::kOtherGlobalParameterKeys) + 2 +
    std::size(vela::detail::kACUsedKeys) + std::size(vela::detail::kACPropagKeys);

// The first cell of every table row that starts with a back-quoted name
// (letters and underscores only, so example settings do not count).
std::set<std::string> KeysTheReferenceLists(const std::string& text) {
  std::set<std::string> keys;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("| `", 0) != 0) continue;
    const std::size_t end = line.find("` |", 3);
    if (end == std::string::npos) continue;
    const std::string name = line.substr(3, end - 3);
    static const char kNameCharacters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
    const bool plain = !name.empty() && name.find_first_not_of(kNameCharacters) == std::string::npos;
    if (plain) keys.insert(name);
  }
  return keys;
}

TEST(VelaGlobalParametersDocs, ReferenceListsExactlyTheKeysTheCodeReads) {
  const std::string text = Reference();
  ASSERT_FALSE(text.empty()) << "docs/configuration.md not found";
  const std::set<std::string> listed = KeysTheReferenceLists(text);
  const std::set<std::string> read = KeysTheCodeReads();
  std::string missing;
  std::string extra;
  for (const std::string& key : read) {
    if (listed.count(key) == 0) missing += key + " ";
  }
  for (const std::string& key : listed) {
    if (read.count(key) == 0) extra += key + " ";
  }
  EXPECT_EQ(missing, "") << "keys read but not documented";
  EXPECT_EQ(extra, "") << "keys documented but not read";
  EXPECT_EQ(read.size(), kKeysTheCodeReads) << "a key is read by two rules";
}

}  // namespace
