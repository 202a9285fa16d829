#include "support/TestSupport.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace vela::test {

ScopedProcessEnv::ScopedProcessEnv(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  hadPrevious_ = old != nullptr;
  if (hadPrevious_) previous_ = old;
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedProcessEnv::~ScopedProcessEnv() {
  if (hadPrevious_) {
    setenv(name_.c_str(), previous_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

TempPath::TempPath(const std::string& stem) {
  static std::atomic<int> counter{0};
  path_ = (std::filesystem::temp_directory_path() /
           (stem + "_" + std::to_string(getpid()) + "_" + std::to_string(counter++)))
              .string();
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

TempPath::~TempPath() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string CaptureStdout(const std::function<void()>& write) {
  std::ostringstream buffer;
  std::streambuf* previous = std::cout.rdbuf(buffer.rdbuf());
  const std::streamsize precision = std::cout.precision();
  const std::ios_base::fmtflags flags = std::cout.flags();
  std::cout.unsetf(std::ios_base::floatfield);
  write();
  std::cout.flags(flags);
  std::cout.precision(precision);
  std::cout.rdbuf(previous);
  return buffer.str();
}

}  // namespace vela::test
