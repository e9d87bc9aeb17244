#include "platform/pointer_settings.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/kde_config.h"
#include "platform/pointer_settings_worker.h"

namespace tavrinex::platform {
namespace {

TEST(PointerSpeedTest, ProfileSpeedOnTheAccelerationScale) {
  const struct {
    int speed;
    double acceleration;
  } cases[] = {{1, -1.0}, {10, 0.0}, {20, 1.0}, {4, -6.0 / 9.0}, {12, 0.2}, {0, -1.0}, {21, 1.0}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(PointerSpeedToAcceleration(c.speed), c.acceleration) << c.speed;
  }
}

TEST(KdeConfigTest, SetsOneValueAndKeepsTheRest) {
  const struct {
    const char* before;
    const char* after;
  } cases[] = {
      // no file yet
      {"", "[KDE]\nWheelScrollLines=5\n"},
      // value replaced in place, other groups and comments kept
      {"# mine\n[General]\nColorScheme=Breeze\n\n[KDE]\nSingleClick=false\nWheelScrollLines=3\n",
       "# mine\n[General]\nColorScheme=Breeze\n\n[KDE]\nSingleClick=false\nWheelScrollLines=5\n"},
      // key added at the end of its group, before the blank line that ends it
      {"[KDE]\nSingleClick=false\n\n[Icons]\nTheme=breeze\n",
       "[KDE]\nSingleClick=false\nWheelScrollLines=5\n\n[Icons]\nTheme=breeze\n"},
      // group added; a file without a final newline
      {"[General]\nA=1", "[General]\nA=1\n\n[KDE]\nWheelScrollLines=5\n"},
      // a key of the same name in another group is not touched; spaces around '='
      {"[Other]\nWheelScrollLines=9\n[KDE]\nWheelScrollLines = 2\n",
       "[Other]\nWheelScrollLines=9\n[KDE]\nWheelScrollLines=5\n"},
      // a longer key with the same beginning is another key
      {"[KDE]\nWheelScrollLinesX=1\n", "[KDE]\nWheelScrollLinesX=1\nWheelScrollLines=5\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithKdeConfigValue(c.before, "KDE", "WheelScrollLines", "5"), c.after) << c.before;
  }
}

// A backend that records what reached the desktop; while `gate` is closed its calls wait.
class GatedBackend final : public PointerSettingsBackend {
 public:
  explicit GatedBackend(bool offersWheel = true) : offersWheel_(offersWheel) {}
  [[nodiscard]] std::string_view Name() const override { return "gated"; }
  [[nodiscard]] bool OffersSpeed() const override { return true; }
  [[nodiscard]] bool OffersWheelLines() const override { return offersWheel_; }
  bool ApplySpeed(int speed) override { return Record(speeds, speed); }
  bool ApplyWheelLines(int lines) override { return Record(wheel, lines); }

  void Open() {
    {
      const std::lock_guard lock(mutex);
      open = true;
    }
    wake.notify_all();
  }
  void WaitForCall() {
    std::unique_lock lock(mutex);
    wake.wait(lock, [this] { return calls > 0; });
  }

  std::mutex mutex;
  std::condition_variable wake;
  bool open = true;
  int calls = 0;
  int inCall = 0;
  bool overlapped = false;
  std::vector<int> speeds;
  std::vector<int> wheel;

 private:
  bool Record(std::vector<int>& into, int value) {
    std::unique_lock lock(mutex);
    overlapped = overlapped || inCall > 0;
    ++inCall;
    ++calls;
    wake.notify_all();
    wake.wait(lock, [this] { return open; });
    into.push_back(value);
    --inCall;
    return true;
  }
  bool offersWheel_;
};

TEST(PointerSettingsWorkerTest, ChangesDuringACallCoalesceIntoTheLastValue) {
  auto owned = std::make_unique<GatedBackend>();
  GatedBackend& backend = *owned;
  backend.open = false;
  PointerSettingsWorker worker(std::move(owned));
  worker.SetSpeed(2);
  backend.WaitForCall();  // the desktop is busy with 2
  for (int speed = 4; speed <= 20; speed += 2) worker.SetSpeed(speed);
  for (int lines = 1; lines <= 10; ++lines) worker.SetWheelLines(lines);
  worker.SetSpeed(99);  // clamped to 20
  worker.SetWheelLines(-3);  // clamped to 1
  backend.Open();
  ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(20)));
  const std::lock_guard lock(backend.mutex);
  EXPECT_EQ(backend.speeds, (std::vector<int>{2, 20}));
  EXPECT_EQ(backend.wheel, (std::vector<int>{1}));
  EXPECT_FALSE(backend.overlapped);
}

// Hands the worker a backend that it owns and destroys, while the test keeps reading it.
class Borrowed final : public PointerSettingsBackend {
 public:
  explicit Borrowed(PointerSettingsBackend& target) : target_(target) {}
  [[nodiscard]] std::string_view Name() const override { return target_.Name(); }
  [[nodiscard]] bool OffersSpeed() const override { return target_.OffersSpeed(); }
  [[nodiscard]] bool OffersWheelLines() const override { return target_.OffersWheelLines(); }
  bool ApplySpeed(int speed) override { return target_.ApplySpeed(speed); }
  bool ApplyWheelLines(int lines) override { return target_.ApplyWheelLines(lines); }

 private:
  PointerSettingsBackend& target_;
};

TEST(PointerSettingsWorkerTest, PendingValueIsAppliedBeforeTheWorkerEnds) {
  GatedBackend backend(false);
  {
    PointerSettingsWorker worker(std::make_unique<Borrowed>(backend));
    worker.SetSpeed(3);
    worker.SetSpeed(7);
    worker.SetWheelLines(4);  // this desktop has no wheel setting
  }
  ASSERT_FALSE(backend.speeds.empty());
  EXPECT_EQ(backend.speeds.back(), 7);
  EXPECT_TRUE(backend.wheel.empty());
}

TEST(PointerBackendChoiceTest, SessionsWithoutAnySettingsServiceGetNone) {
  DesktopSession session;
  session.currentDesktop = "sway";
  session.sessionType = "wayland";
  session.display = ":99";  // Xwayland's pointers are not the desktop's
  EXPECT_EQ(ChoosePointerSettingsBackend(session)->Name(), "none");
  session.sessionType = "x11";
  session.display = "";
  const auto none = ChoosePointerSettingsBackend(session);
  EXPECT_EQ(none->Name(), "none");
  EXPECT_FALSE(none->OffersSpeed());
  EXPECT_FALSE(none->OffersWheelLines());
  session.currentDesktop = "ubuntu:KDE";
  EXPECT_EQ(ChoosePointerSettingsBackend(session)->Name(), "kde");
}

}  // namespace
}  // namespace tavrinex::platform
