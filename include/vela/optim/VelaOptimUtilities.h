/// \file
/// VelaOptimUtilities: the constrained optimisers of the solver.
/// \ingroup optim
#ifndef VELA_OPTIM_VELAOPTIMUTILITIES_H
#define VELA_OPTIM_VELAOPTIMUTILITIES_H

#include "vela/containers/VelaBoolArray.h"
#include "vela/containers/VelaIntArray.h"
#include "vela/foundation/VelaExport.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/linalg/VelaSymmetricMatrix.h"

/// The constrained optimisers of the solver.
///
/// Static routines only: an active-set method for quadratic programs, a
/// Mehrotra predictor-corrector interior-point method for linear programs
/// with its general-form front end, and the saddle-point (KKT) solves under
/// both. Every linear solve goes through VelaMatrix::SolveGaussJordan with
/// the caller's behaviour level iLevel; diagnostics and the script dumps of
/// failing problems are written to the trace stream of the global
/// parameters whatever the trace level, one line each ended by velendl.
///
/// Results: 1 for success, 0 for failure.
///
/// Problem forms. The general routines take A x (=, <=) b, the first iNbEq
/// rows of A being equalities, plus per-variable bounds flagged in
/// iHasLower / iHasUpper (one flag and one bound entry per variable; the
/// bounds of unflagged variables are ignored). They stack everything into
/// one system M x (=, <=) r: the rows of A, then for j = 0 .. n-1 a
/// lower-bound row (-e_j, -lower(j)) when flagged and an upper-bound row
/// (+e_j, upper(j)) when flagged; every row from iNbEq on reads
/// M(i) x <= r(i). Multipliers are indexed by those stacked rows.
///
/// Multiplier conventions differ by routine (each is stated below):
/// - ActiveSetMethod H x + c + Mᵀ λ = 0 with λ >= 0 on inequality rows;
/// - SolveQuadraticProblem and solveSaddlePointProblem H x + g = Wᵀ λ;
/// - InteriorPoint_Mehrotra returns -λ where Āᵀ λ + s = c̄.
///
/// Tolerances: iSolveTol is the tolerance of the linear solves and of the
/// selection of independent constraint rows; iTol is the feasibility, step
/// and convergence tolerance. The relative residual 1e-8 of the saddle-point
/// and start-point solves, and the thresholds 1e-15 and 1e-10, are fixed.
///
/// Choices made for this implementation:
/// - NaN or infinite entries in any input matrix or vector (a bound counts
///   only when it is flagged) make a routine return 0 at once: no iteration,
///   no message, every output untouched. The tolerances are not checked.
/// - ActiveSetMethod also returns 0 at once, writing nothing, unless
///   0 <= iNbEq <= rows of A, both flag arrays hold n flags and both bound
///   vectors n entries.
/// - ActiveSetMethod, when a subproblem reports negative curvature before
///   any row has left the working set (so there is no row to hold as a
///   pseudo-constraint): the line "on active la pseudo contrainte -1" is
///   written and the result is 0; ioX is the last iterate, oLambda is left
///   as it was.
/// - solveSaddlePointProblemWithNullSpace returns 0 when FindNullSpace fails
///   (B without columns, more rows than columns, or dependent rows), with no
///   message and oX, oY and *oIndefinite untouched. solveSaddlePointProblem
///   never gets there (it removes dependent rows first); the interior-point
///   method then reports its saddle-point failure.
/// - The negative-curvature direction is built in the coordinates of the
///   LDLᵀ factorisation: its permutation is not applied, and the inverse
///   diagonal entries of 2 x 2 pivot blocks are tested like 1 x 1 pivots. It
///   is a true direction of negative curvature when the factorisation
///   interchanged nothing (in particular for a diagonally dominant reduced
///   matrix).
/// - ActiveSetMethod turns a direction of negative curvature (whose sign is
///   free) so that the row just held as a pseudo-constraint does not grow
///   along it: the ratio test does not look at that row, and the other sign
///   would leave the feasible set.
/// - InteriorPoint_Mehrotra also returns 0 at once, writing nothing, when
///   iNbEq lies outside 0 .. rows of A or the problem has no variable at all
///   (no columns and no inequality rows). On convergence at the start point
///   it writes oX and oLambda as after iterations (the first n entries of
///   the start point, and -λ). The centring ratio is cubed as a product, so
///   it does not depend on the maths library.
/// - SolveLinearProgramming returns 0 at once, writing nothing, unless iC,
///   both flag arrays, iLower and iUpper hold one entry per column of iA, iB
///   one per row and 0 <= iNbEq <= rows. oLambda receives the interior-point
///   multipliers (one per stacked row, in that method's convention) on both
///   paths, also when no variable needs splitting; it is left as it was
///   when the interior-point method writes nothing, and oX is then the zero
///   vector of n entries, on which the final check runs.
/// - solveSaddlePointProblem gives multipliers 0 on the paths that compute
///   none (a negative-curvature direction, a failed null-space solve).
/// - removeDependentConstraints keeps no row when iR's length differs from
///   iW's row count, and ends the elimination when the remaining block is
///   exactly zero, so a zero or NaN tolerance never pivots on 0.
/// - SolveQuadraticProblem checks the sizes (c and H against A's columns, b
///   against its rows) before solving and returns 0 at once on a mismatch;
///   after the solve it returns 0 when oX or oLambda did not receive the
///   problem's sizes (a solve that failed before writing them).
/// - Residual tests are written so that a NaN residual fails them. On finite
///   input a solve can still overflow into NaN, which an infinity norm
///   passes over: SolveQuadraticProblem reports success only with finite oX
///   and oLambda, and ActiveSetMethod treats a non-finite step as a failed
///   subproblem ("quadratic problem cannot be solved ").
/// \ingroup optim
class VELA_API VelaOptimUtilities {
 public:
  VelaOptimUtilities() = delete;

  /// \name Quadratic programming
  /// @{

  /// Minimises ½ xᵀ H x + cᵀ x over the stacked constraints by a primal
  /// active-set method started from the feasible point ioX (equality rows
  /// within iTol, inequality rows below r + iTol; otherwise 0 at once,
  /// nothing written). The rows the start touches (M x - r >= 0) form the
  /// first working set. When ‖H‖∞ < 1e-15 the problem goes, unchanged, to
  /// SolveLinearProgramming and its result is returned.
  /// Each iteration solves the equality-constrained step on the working set
  /// (solveSaddlePointProblem). A non-zero step (‖p‖∞ >= iTol) is shortened
  /// by the ratio test over the inequality rows outside the working set
  /// (rows with M p > iTol; among equal ratios the last row blocks, and a
  /// ratio of exactly 1 still adds its row). A zero step computes the
  /// multipliers; when a working inequality row has a negative one, the
  /// first row with the most negative leaves. A reduced Hessian with one
  /// negative pivot gives a direction of negative curvature: the row that
  /// left last comes back as a pseudo-constraint ("on active la pseudo
  /// contrainte " and its index are written), queued first in first out;
  /// the next ordinary step releases the oldest one, and every later
  /// subproblem is told that a release happened.
  /// Returns 1 at a KKT point: ioX is the point; oLambda holds m entries,
  /// H x + c + Mᵀ λ = 0, λ = 0 off the working set and λ >= 0 on its
  /// inequality rows; or, when no inequality row is held, the iNbEq
  /// multipliers of the equality rows with H x + c = Aₑᵀ λ.
  /// Returns 0 when a subproblem fails ("quadratic problem cannot be solved "
  /// written), or after 100 subproblem solves without a KKT point (nothing
  /// written); ioX is then the last iterate. oLambda is written by the
  /// linear path, by the success with no inequality row held and by every
  /// zero step with a non-empty working set (so a later failure leaves the
  /// multipliers of that step); otherwise it is left as it was. Each
  /// iteration costs a saddle-point solve, O((n + m) n²).
  static unsigned char ActiveSetMethod(int iLevel, const VelaSymmetricMatrix& iH, const VelaVector& iC,
                                       const VelaMatrix& iA, const VelaVector& iB, int iNbEq,
                                       const VelaBoolArray& iHasLower, const VelaVector& iLower,
                                       const VelaBoolArray& iHasUpper, const VelaVector& iUpper, VelaVector& ioX,
                                       VelaVector& oLambda, double iSolveTol, double iTol);
  /// Minimises ½ xᵀ H x + cᵀ x subject to A x = b in one saddle-point step
  /// (solveSaddlePointProblem; dependent rows of A get multiplier 0), with
  /// H oX + c = Aᵀ oLambda. Writes "indefinite system" when the reduced
  /// Hessian has a negative pivot. Returns 1 when both ‖A oX - b‖∞ and
  /// ‖H oX - Aᵀ oLambda + c‖∞ are below iTol and the system was not
  /// indefinite; oX and oLambda keep what the solve wrote in any case.
  static unsigned char SolveQuadraticProblem(int iLevel, const VelaSymmetricMatrix& iH, const VelaVector& iC,
                                             const VelaMatrix& iA, const VelaVector& iB, VelaVector& oX,
                                             VelaVector& oLambda, double iSolveTol, double iTol);
  /// @}

  /// \name Linear programming
  /// @{

  /// Minimises cᵀ x subject to A(i) x = b(i) for i < iNbEq, A(i) x <= b(i)
  /// for the other rows, and x >= 0, by Mehrotra's predictor-corrector
  /// method. Each inequality row gets a slack variable of cost 1.0, so the
  /// point found minimises cᵀ x plus the sum of the row slacks. Every Newton
  /// system is solved by solveSaddlePointProblemWithNullSpace; at most 100
  /// iterations. On success oX holds the n original variables and oLambda
  /// the m multipliers -λ, where Āᵀ λ + s = c̄ for the slack-extended
  /// problem; " Mehrotra interior point converges in " k " iterations. " and
  /// the dual and primal errors are written. Returns 0 on mismatched sizes
  /// or a degenerate or negative start (nothing written), on a start whose
  /// normal equations are not solved to 1e-8 (dumped as "AAt" and
  /// "rhs_init"), when an iterate leaves the non-negative orthant (nothing
  /// written), and on a saddle-point failure ("Saddle point problem cannot
  /// be solved ") or after 100 iterations: then the outputs are written and
  /// the problem is dumped as a "karmarkar(A,B,c," call.
  static unsigned char InteriorPoint_Mehrotra(int iLevel, const VelaVector& iC, const VelaMatrix& iA,
                                              const VelaVector& iB, int iNbEq, VelaVector& oX, VelaVector& oLambda,
                                              double iSolveTol, double iTol);
  /// Minimises cᵀ x over the stacked constraints (general rows and flagged
  /// bounds). When every variable has a flagged lower bound >= 0 the stacked
  /// system goes to InteriorPoint_Mehrotra as it is; otherwise the variables
  /// are split, x = x⁺ - x⁻, over 2n non-negative columns [M, -M]. The
  /// result is that of the interior-point call, set to 0 when oX violates an
  /// equality row or an inequality row by more than iTol (" Error in
  /// SolveLinearProgramming" written once for each of the two kinds).
  static unsigned char SolveLinearProgramming(int iLevel, const VelaVector& iC, const VelaMatrix& iA,
                                              const VelaVector& iB, int iNbEq, const VelaBoolArray& iHasLower,
                                              const VelaVector& iLower, const VelaBoolArray& iHasUpper,
                                              const VelaVector& iUpper, VelaVector& oX, VelaVector& oLambda,
                                              double iSolveTol, double iTol);
  /// @}

  /// \name Internal: not exported from the shared library
  /// @{

  /// Shortens ioAlpha so that iV + ioAlpha iDv stays non-negative: for each
  /// i with iDv(i) < -1e-15, ioAlpha = min(ioAlpha, -iV(i) / iDv(i)).
  VELA_INTERNAL static void computeMaxStep(const VelaVector& iV, const VelaVector& iDv, double& ioAlpha);
  /// oW, oR = a maximal independent subset of the rows of iW (and the
  /// matching entries of iR), found by Gaussian elimination with complete
  /// pivoting on a copy (the first largest magnitude in row-major order is
  /// the pivot; a pivot below iTol ends the elimination). oW holds the
  /// unreduced input rows in pivot order, and their input indices are
  /// appended to ioKept in that order. O(m n min(m, n)).
  VELA_INTERNAL static void removeDependentConstraints(const VelaMatrix& iW, const VelaVector& iR, double iTol,
                                                       VelaMatrix& oW, VelaVector& oR, VelaIntArray& ioKept);
  /// The equality-constrained quadratic step: minimises ½ xᵀ H x + gᵀ x
  /// subject to W x = r. Dependent rows of W are dropped first
  /// (removeDependentConstraints with iSolveTol; their multipliers are 0).
  /// With n independent rows and iReleased = 0 the full KKT system
  /// [H Wᵀ; W 0] is solved by Gauss-Jordan (oX = W⁻¹ r whatever H;
  /// oIndefinite not written); otherwise by
  /// solveSaddlePointProblemWithNullSpace, which writes oIndefinite and may
  /// return a direction of negative curvature in oX instead. oLambda gets
  /// one entry per row of W with H x + g = Wᵀ λ. Returns 0, touching
  /// nothing, on mismatched sizes (g and W's columns against H's order, r
  /// against W's rows); otherwise the result of the solve. iTol is unused.
  VELA_INTERNAL static unsigned char solveSaddlePointProblem(int iLevel, const VelaSymmetricMatrix& iH,
                                                             const VelaVector& iG, const VelaMatrix& iW,
                                                             const VelaVector& iR, VelaVector& oX,
                                                             VelaVector& oLambda, unsigned char& oIndefinite,
                                                             unsigned char iReleased, double iSolveTol, double iTol);
  /// Solves [A Bᵀ; B 0] [x; y] = [rhs1; rhs2] by the null-space method:
  /// B = (row space Y, null space Z) by FindNullSpace, the particular
  /// solution x0 = Y u of B x0 = rhs2, then the reduced system
  /// Zᵀ A Z w = Zᵀ (rhs1 - A x0) by LDLᵀ (Gauss-Jordan when the
  /// factorisation fails; w = 0 when ‖A‖∞ <= 1e-15), x = x0 + Z w, and y
  /// from (B Y)ᵀ y = Yᵀ (rhs1 - A x).
  /// With oIndefinite given, the LDLᵀ pivots are inspected: one negative
  /// pivot makes oX a direction of negative curvature in B's null space,
  /// *oIndefinite = 1 and the result 1, oY not written; with iReleased the
  /// direction of the last position is returned instead and *oIndefinite
  /// is 0. A second negative pivot returns 0 (*oIndefinite stays 1).
  /// Returns 0 silently on mismatched sizes, or when the reduced residual
  /// reaches 1e-10. A relative residual above 1e-8 (reduced system:
  /// `" Z\t G Z is not inversible "`; whole system: "Problem in
  /// solveSaddlePointProblemWithNullSpace, norm of residual = " and the
  /// value) gives 0 after the system is dumped as a script ("A", "B",
  /// "rhs1", "rhs2", then ``" [A,B';B,zeros(m,m)] \ [rhs1';rhs2'] "``); oX and
  /// oY then hold the computed values. O(m n² + n³).
  VELA_INTERNAL static unsigned char solveSaddlePointProblemWithNullSpace(
      int iLevel, const VelaSymmetricMatrix& iA, const VelaMatrix& iB, const VelaVector& iRhs1,
      const VelaVector& iRhs2, VelaVector& oX, VelaVector& oY, unsigned char* oIndefinite, unsigned char iReleased);
  /// @}
};

#endif  // VELA_OPTIM_VELAOPTIMUTILITIES_H
