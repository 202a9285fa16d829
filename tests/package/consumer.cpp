// Uses the installed library through the umbrella header only.
#include <iostream>

#include "vela/VelaUtilities.h"

int main() {
  VelaString text("consumer");
  text += " of ";
  text += GetVelVersion();
  VelaStream out(&std::cout);
  out << text << velendl;
  return text == "consumer of Vel_17W08" ? 0 : 1;
}
