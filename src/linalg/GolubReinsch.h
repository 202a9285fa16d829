// Private kernel of the singular value decomposition members of VelaMatrix:
// the Golub-Reinsch method on raw row-major buffers, plus the small scratch
// buffer that keeps 6 x 6 and smaller decompositions off the heap.
#ifndef VELA_SRC_LINALG_GOLUBREINSCH_H
#define VELA_SRC_LINALG_GOLUBREINSCH_H

#include <cstddef>
#include <memory>

namespace vela::detail {

// Uninitialised doubles: inline up to N, one heap block beyond. Callers
// write every element before reading it.
template <std::size_t N>
class ScratchDoubles {
 public:
  explicit ScratchDoubles(std::size_t n) : data_(inline_) {
    if (n > N) {
      heap_.reset(new double[n]);
      data_ = heap_.get();
    }
  }
  ScratchDoubles(const ScratchDoubles&) = delete;
  ScratchDoubles& operator=(const ScratchDoubles&) = delete;
  double* get() noexcept { return data_; }

 private:
  double inline_[N];
  std::unique_ptr<double[]> heap_;
  double* data_;  // inline_ or heap_.get()
};

// Decomposes the mw x n row-major array ioA (mw >= n) as U diag(oS) Vᵀ.
// Rows m .. mw-1 of ioA are zero padding that lets a matrix with fewer rows
// than columns go through the same method; only the first m rows of U are
// kept (m <= mw).
// On return the first m rows of ioA hold U (m x n, stride n; the padding
// rows are left unspecified), oS the n singular values (unsorted,
// non-negative once converged) and oV the n x n matrix V (row-major).
// Returns false when a value is still unconverged as its 30th round starts,
// or converges to a non-finite number; the outputs then hold the state
// reached, every element written. Cost O(mw n² + n³), no heap below 160
// doubles of work space (6 x 6 and smaller).
bool GolubReinschSVD(int mw, int n, int m, double* ioA, double* oS, double* oV);

}  // namespace vela::detail

#endif  // VELA_SRC_LINALG_GOLUBREINSCH_H
