#include "ui/led_picture_buffer.h"

#include <algorithm>

namespace tavrinex::ui {

void LedPictureBuffer::Set(std::size_t index, LedPixel pixel) {
  const std::lock_guard lock(mutex_);
  if (index >= pixels_.size() || pixels_[index] == pixel) return;
  pixels_[index] = pixel;
  ++generation_;
}

void LedPictureBuffer::SetRange(std::size_t first, std::span<const LedPixel> pixels) {
  const std::lock_guard lock(mutex_);
  if (first >= pixels_.size()) return;
  const std::size_t n = std::min(pixels.size(), pixels_.size() - first);
  const auto dest = pixels_.begin() + static_cast<std::ptrdiff_t>(first);
  if (std::equal(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(n), dest)) return;
  std::copy_n(pixels.begin(), n, dest);
  ++generation_;
}

LedPixel LedPictureBuffer::Get(std::size_t index) const {
  const std::lock_guard lock(mutex_);
  return index < pixels_.size() ? pixels_[index] : LedPixel{};
}

bool LedPictureBuffer::SnapshotIfChanged(std::uint64_t& seen, std::vector<LedPixel>& out) const {
  const std::lock_guard lock(mutex_);
  if (seen == generation_) return false;
  out.assign(pixels_.begin(), pixels_.end());
  seen = generation_;
  return true;
}

}  // namespace tavrinex::ui
