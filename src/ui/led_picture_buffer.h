// The pictures of one device's LEDs as the animation threads draw them: per LED an overlay
// colour (OverlayWord order) and an opacity. Writers are any threads; the UI thread takes a
// snapshot when something changed and repaints the LED picture controls from it, at most at
// display rate, so a frame never costs the animation thread a trip to the UI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace tavrinex::ui {

struct LedPixel {
  std::uint32_t overlayWord = 0;
  std::uint8_t opacity = 0;
  friend bool operator==(const LedPixel&, const LedPixel&) = default;
};

class LedPictureBuffer {
 public:
  explicit LedPictureBuffer(std::size_t size) : pixels_(size) {}

  [[nodiscard]] std::size_t Size() const { return pixels_.size(); }

  // Any thread. An index out of range is ignored.
  void Set(std::size_t index, LedPixel pixel);
  // Any thread: pixels[i] goes to LED first + i, as one change (a whole frame at once).
  void SetRange(std::size_t first, std::span<const LedPixel> pixels);
  [[nodiscard]] LedPixel Get(std::size_t index) const;

  // Copies the pixels into `out` when they changed since generation `seen`, and moves `seen`
  // on. False (and `out` untouched) when nothing changed.
  [[nodiscard]] bool SnapshotIfChanged(std::uint64_t& seen, std::vector<LedPixel>& out) const;

 private:
  mutable std::mutex mutex_;
  std::vector<LedPixel> pixels_;
  std::uint64_t generation_ = 1;  // the UI starts from 0, so the first snapshot is taken
};

}  // namespace tavrinex::ui
