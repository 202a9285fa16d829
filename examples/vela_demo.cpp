#include <iostream>

#include "vela/VelaUtilities.h"

int main() {
  VelaString s("hello");
  s += ", world";
  std::cout << s << "\n";
  return 0;
}
