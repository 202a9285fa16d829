#include "vela/containers/VelaIntArray.h"

#include <algorithm>

#include "vela/containers/VelaBoolArray.h"

void VelaIntArray::operator=(const VelaIntArray& other) {
  VelaArray<int>::operator=(other);
  columns_ = other.columns_;
}

void VelaIntArray::operator=(VelaIntArray&& other) noexcept {
  VelaArray<int>::operator=(static_cast<VelaArray<int>&&>(other));
  columns_ = other.columns_;
}

int* VelaIntArray::GetRow(int i) {
  if (i < 0) return nullptr;
  const int needed = (i + 1) * columns_;
  if (Size() < needed) VelaArray<int>::Resize(needed, 0);
  return GetBuffer() + i * columns_;
}

void VelaIntArray::Resize(int n, unsigned char /*flag*/) { VelaArray<int>::Resize(n, 0); }

void VelaIntArray::QuickSort() { std::sort(begin(), end()); }

int VelaIntArray::BinarySearch(int v) const noexcept {
  const int* p = std::lower_bound(begin(), end(), v);
  return p != end() && *p == v ? static_cast<int>(p - begin()) : -1;
}

void VelaIntArray::Intersect(const VelaIntArray& sorted, VelaIntArray& out) const {
  if (&out == &sorted) {
    // Appending to `sorted` while searching it would change the answers.
    VelaIntArray common;
    Intersect(sorted, common);
    for (int value : common) out.Append(value);
    return;
  }
  // Indexing (not iterators) stays valid when out is this array and grows.
  const int n = Size();
  for (int k = 0; k < n; ++k) {
    const int value = Get(k);
    if (sorted.BinarySearch(value) >= 0) out.Append(value);
  }
}

int VelaIntArray::FillIdxFrom(const VelaBoolArray& flags) {
  RemoveAll();
  Reserve(flags.Count());
  for (int k = 0; k < flags.Size(); ++k) {
    if (flags[k]) Append(k);
  }
  return Size();
}

int VelaIntArray::MapIdxOfPositive() noexcept {
  // Index k is written at position w <= k, after value k has been read.
  int w = 0;
  for (int k = 0; k < Size(); ++k) {
    if (Get(k) > 0) Get(w++) = k;
  }
  VelaArray<int>::Resize(w, 0);
  return w;
}

void VelaIntArray::BuildInverseMap(int n, VelaIntArray& inverse) const {
  if (&inverse == this) {
    VelaIntArray map(*this);
    map.BuildInverseMap(n, inverse);
    return;
  }
  if (n >= 0) inverse.Fill(n, -1);
  const int limit = inverse.Size();
  for (int k = 0; k < Size(); ++k) {
    const int v = Get(k);
    if (v >= 0 && v < limit) inverse.Get(v) = k;
  }
}
