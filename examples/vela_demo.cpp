// vela_demo: a short tour of VelaUtilities.
//
// Each section prints a heading and what the library computes; the output
// is plain text on standard output through the library's own stream.

#include <iostream>

#include "vela/VelaUtilities.h"

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

void ShowClock(VelaStream& out) {
  Heading(out, "Clock");
  const long start = VelaClock();
  double sum = 0.0;
  for (int i = 1; i <= 1000000; ++i) sum += 1.0 / i;
  const long elapsed = VelaClock() - start;
  out << "harmonic sum " << sum << " took " << elapsed << " ticks of 1/"
      << VelaClockPerSec() << " s" << velendl;
}

}  // namespace

int main() {
  VelaStream out(&std::cout);
  out << "VelaUtilities " << GetVelVersion() << velendl;
  ShowStrings(out);
  ShowEnvironment(out);
  ShowFileNames(out);
  ShowStream(out);
  ShowClock(out);
  return 0;
}
