// Untyped storage routines of the small-buffer array family.
//
// Every routine works on raw bytes through VelArrayRef, so the element types
// share this one copy. Each one leaves the inline-buffer invariant intact:
// capacity equals the inline capacity exactly when data is the array's own
// inline buffer; a heap block is always larger.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "vela/containers/VelaArray.h"

namespace vela::detail {
namespace {

char* Bytes(void* p) { return static_cast<char*>(p); }

std::size_t Width(const VelArrayRef& a, long long elements) {
  return static_cast<std::size_t>(elements) * a.elementSize;
}

bool IsInline(const VelArrayRef& a) { return a.state.data == a.inlineBuffer; }

// Capacity the growth rule gives for `needed` elements: exactly `needed` on
// the first move off the inline buffer, then doubling (stopped at INT_MAX).
int GrownCapacity(const VelArrayRef& a, int needed) {
  if (IsInline(a)) return needed;
  long long capacity = a.state.capacity;
  while (capacity < needed) capacity *= 2;
  return capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
}

// memcpy/memmove with a zero count may still be handed a null pointer.
void CopyBytes(void* to, const void* from, std::size_t n) {
  if (n) std::memcpy(to, from, n);
}
void MoveBytes(void* to, const void* from, std::size_t n) {
  if (n) std::memmove(to, from, n);
}

// Points the array back at its empty inline buffer (its heap block, if any,
// has been freed or handed on by the caller).
void ResetToInline(const VelArrayRef& a) {
  a.state = {0, a.inlineCapacity, a.inlineBuffer};
}

}  // namespace

void VelSTLVectorBase::Grow(const VelArrayRef& a, int needed) {
  VelArrayState& s = a.state;
  if (s.capacity >= needed) return;
  const int capacity = GrownCapacity(a, needed);
  void* block;
  if (IsInline(a)) {
    block = std::malloc(Width(a, capacity));
    CopyBytes(block, s.data, Width(a, s.size));
  } else {
    // The allocator may extend the block in place instead of copying it.
    block = std::realloc(s.data, Width(a, capacity));
  }
  s.data = block;
  s.capacity = capacity;
}

void VelSTLVectorBase::CopyFrom(const VelArrayRef& a, const VelArrayState& from) {
  a.state.size = 0;
  Grow(a, from.size);
  CopyBytes(a.state.data, from.data, Width(a, from.size));
  a.state.size = from.size;
}

void VelSTLVectorBase::MoveFrom(const VelArrayRef& a, const VelArrayRef& from) noexcept {
  if (!IsInline(a)) std::free(a.state.data);
  if (IsInline(from)) {
    CopyBytes(a.inlineBuffer, from.inlineBuffer, Width(a, from.state.size));
    a.state = {from.state.size, a.inlineCapacity, a.inlineBuffer};
  } else {
    a.state = from.state;
  }
  ResetToInline(from);
}

void VelSTLVectorBase::Exchange(const VelArrayRef& a, const VelArrayRef& b) noexcept {
  const VelArrayState oldA = a.state;
  const VelArrayState oldB = b.state;
  const bool aInline = IsInline(a);
  const bool bInline = IsInline(b);
  if (aInline && bInline) {
    // Swap the common prefix in place, then copy the longer one's excess.
    const int common = oldA.size < oldB.size ? oldA.size : oldB.size;
    std::swap_ranges(Bytes(a.inlineBuffer), Bytes(a.inlineBuffer) + Width(a, common), Bytes(b.inlineBuffer));
    if (oldA.size > common) {
      CopyBytes(Bytes(b.inlineBuffer) + Width(a, common), Bytes(a.inlineBuffer) + Width(a, common),
                Width(a, oldA.size - common));
    } else {
      CopyBytes(Bytes(a.inlineBuffer) + Width(a, common), Bytes(b.inlineBuffer) + Width(a, common),
                Width(a, oldB.size - common));
    }
    a.state.size = oldB.size;
    b.state.size = oldA.size;
    return;
  }
  // At most one side is inline, so its elements can be copied into the other
  // side's inline buffer, which that side no longer uses.
  if (bInline) {
    CopyBytes(a.inlineBuffer, b.inlineBuffer, Width(a, oldB.size));
    a.state = {oldB.size, a.inlineCapacity, a.inlineBuffer};
  } else {
    a.state = oldB;
  }
  if (aInline) {
    CopyBytes(b.inlineBuffer, a.inlineBuffer, Width(a, oldA.size));
    b.state = {oldA.size, b.inlineCapacity, b.inlineBuffer};
  } else {
    b.state = oldA;
  }
}

void VelSTLVectorBase::Free(void* block) noexcept { std::free(block); }

void* VelSTLVectorBase::OpenGap(const VelArrayRef& a, int index, int count) {
  VelArrayState& s = a.state;
  Grow(a, s.size + count);
  char* at = Bytes(s.data) + Width(a, index);
  MoveBytes(at + Width(a, count), at, Width(a, s.size - index));
  s.size += count;
  return at;
}

void VelSTLVectorBase::CloseGap(const VelArrayRef& a, int index, int count) noexcept {
  VelArrayState& s = a.state;
  char* at = Bytes(s.data) + Width(a, index);
  MoveBytes(at, at + Width(a, count), Width(a, s.size - index - count));
  s.size -= count;
}

void VelSTLVectorBase::AppendRange(const VelArrayRef& a, const void* first, int count) {
  if (count <= 0) return;
  VelArrayState& s = a.state;
  // Growing may free the block `first` points into: remember its offset.
  const std::less<const void*> before;
  const bool own = !before(first, s.data) && before(first, Bytes(s.data) + Width(a, s.size));
  const std::size_t offset = own ? static_cast<std::size_t>(static_cast<const char*>(first) - Bytes(s.data)) : 0;
  Grow(a, s.size + count);
  const void* from = own ? Bytes(s.data) + offset : first;
  MoveBytes(Bytes(s.data) + Width(a, s.size), from, Width(a, count));
  s.size += count;
}

}  // namespace vela::detail
