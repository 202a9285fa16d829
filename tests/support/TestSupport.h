// Helpers shared by the test suites.
#ifndef VELA_TESTS_SUPPORT_TESTSUPPORT_H
#define VELA_TESTS_SUPPORT_TESTSUPPORT_H

#include <functional>
#include <string>

namespace vela::test {

// Sets a process environment variable for the lifetime of the guard and
// restores the previous state (set or unset) afterwards.
class ScopedProcessEnv {
 public:
  ScopedProcessEnv(const char* name, const char* value);
  ~ScopedProcessEnv();
  ScopedProcessEnv(const ScopedProcessEnv&) = delete;
  ScopedProcessEnv& operator=(const ScopedProcessEnv&) = delete;

 private:
  std::string name_;
  std::string previous_;
  bool hadPrevious_;
};

// A fresh path in the system's temporary folder, removed (if it exists) when
// the guard goes.
class TempPath {
 public:
  explicit TempPath(const std::string& stem);
  ~TempPath();
  TempPath(const TempPath&) = delete;
  TempPath& operator=(const TempPath&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
// Writes `text` to a file, replacing it.
void WriteFile(const std::string& path, const std::string& text);

// What `write` prints on standard output, where the configuration's trace
// stream writes by default. std::cout starts from the default number format
// (whatever earlier writes left on it) and gets its format back afterwards,
// so the text depends only on what `write` sets.
std::string CaptureStdout(const std::function<void()>& write);

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_TESTSUPPORT_H
