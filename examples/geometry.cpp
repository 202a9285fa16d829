// vela_example_geometry: compose rigid motions, read the screw that a
// motion is, and move a part along that screw in equal steps.

#include <cmath>
#include <iostream>

#include "vela/VelaUtilities.h"

namespace {

const double kPi = 3.14159265358979323846;

double Tidy(double v) { return std::fabs(v) < 5e-7 ? 0.0 : v; }

template <typename Point>
void Print(VelaStream& out, const Point& p) {
  out << "(" << Tidy(p.GetX()) << ", " << Tidy(p.GetY()) << ", " << Tidy(p.GetZ()) << ")";
}

void PrintStep(VelaStream& out, int step, const Vela3Point& at, const VelaTransformation& partial) {
  Vela3Vector axisPoint, axis;
  double turned = 0.0, slid = 0.0;
  partial.GetHelicalParameters(axisPoint, axis, turned, slid);
  out << "step " << step << ": corner at ";
  Print(out, at);
  out << ", turned " << turned * 180.0 / kPi << " degrees, slid " << slid << velendl;
}

}  // namespace

int main() {
  VelaStream out(&std::cout);
  out << velsetfixedfloatfield() << velsetprecision(6);

  out << "-- composition" << velendl;
  // [guide:compose]
  Vela3x3Matrix quarterTurn;
  quarterTurn.SetRotation(Vela3Vector(0, 0, 1), kPi / 2);      // about z
  VelaTransformation place(quarterTurn, Vela3Vector(10, 0, 0));  // x -> R x + t
  VelaTransformation lift(Vela3Vector(0, 0, 5));                 // a pure translation
  VelaTransformation motion = lift * place;                      // place first, then lift
  const Vela3Point corner(1, 0, 0);
  const Vela3Point moved = motion * corner;

  VelaTransformation back;
  motion.Inverse(back);
  const bool identity = (back * motion).IsIdentity(1e-12, 1e-12) != 0;
  // [guide:compose]
  out << "corner ";
  Print(out, corner);
  out << " moves to ";
  Print(out, moved);
  out << velendl;
  out << "inverse composed with the motion is the identity: " << (identity ? "yes" : "no") << velendl;

  out << "-- screw parameters" << velendl;
  // [guide:screw]
  Vela3Vector axisPoint, axis;
  double angle = 0.0, slide = 0.0;
  motion.GetHelicalParameters(axisPoint, axis, angle, slide);
  // [guide:screw]
  out << "axis through ";
  Print(out, axisPoint);
  out << " along ";
  Print(out, axis);
  out << velendl;
  out << "turn " << angle * 180.0 / kPi << " degrees, slide " << slide << velendl;

  out << "-- screw motion in four steps" << velendl;
  // [guide:interpolate]
  for (int step = 0; step <= 4; ++step) {
    VelaTransformation partial = motion;
    partial.Pow(step / 4.0);  // the same screw, a fraction of the way
    PrintStep(out, step, partial * corner, partial);
  }
  // [guide:interpolate]
  return 0;
}
