#include "vela/containers/VelaBoolArray.h"

#include <algorithm>

VelaBoolArray& VelaBoolArray::operator=(VelaBoolArray&& other) noexcept {
  if (this != &other) {
    VelaArray<unsigned char>::operator=(static_cast<VelaArray<unsigned char>&&>(other));
    count_ = other.count_;
    other.count_ = 0;
  }
  return *this;
}

void VelaBoolArray::Set(const unsigned char* values) noexcept {
  if (!values) return;
  std::copy(values, values + Size(), GetBuffer());
  Check();
}

void VelaBoolArray::Fill(int n, unsigned char b) {
  if (n < 0) return;
  VelaArray<unsigned char>::Fill(n, b);
  count_ = b ? n : 0;
}

void VelaBoolArray::IncreaseSize(int n, unsigned char b) {
  if (n <= 0) return;
  Resize(Size() + n, b);
  if (b) count_ += n;
}

void VelaBoolArray::Inverse() noexcept {
  for (unsigned char& flag : *this) flag = flag ? 0 : 1;
  count_ = Size() - count_;
}

void VelaBoolArray::Check() noexcept {
  count_ = static_cast<int>(std::count_if(begin(), end(), [](unsigned char flag) { return flag != 0; }));
}
