#include "lighting/animation_engine.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sim_fixture.h"

namespace tavrinex::lighting {
namespace {

using device::Command;
using device::DeviceBlocks;
using std::chrono::milliseconds;

class AnimationEngineTest : public device::SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    for (const DeviceKind k : device::kAllDeviceKinds) Connect(k);
  }
  EngineContext Context() {
    EngineContext c(image, store);
    c.channels = {&Channel(DeviceKind::kKeyboard), &Channel(DeviceKind::kMouse), &Channel(DeviceKind::kMousePad)};
    c.pictures = {&kbPictures, &msPictures, &mpPictures};
    c.initialWait = milliseconds(0);
    c.nowMs = [this] { return now; };
    return c;
  }
  void SetRecord(DeviceKind kind, std::uint8_t mode, std::uint8_t speed, ui::Rgb colour = {90, 60, 30}) {
    image.Update(kind, [&](DeviceBlocks& b) {
      b.current[rec::kMode] = mode;
      b.current[rec::kSpeed] = speed;
      b.current[rec::kBrightness] = 14;
      SetRecordColour(b.current, colour);
    });
  }
  // A wait that returns at once and notes how long it was asked to wait.
  Wait Recording() {
    return [this](milliseconds ms) {
      waits.push_back(static_cast<int>(ms.count()));
      return true;
    };
  }
  std::size_t LedRequests(DeviceKind kind) {
    const auto commands = Device(kind).Commands();
    return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), Command::kWriteLedColours));
  }

  device::DeviceImage image;
  LightingStore store;
  ui::LedPictureBuffer kbPictures{kKeyboardLeds};
  ui::LedPictureBuffer msPictures{kMouseLeds};
  ui::LedPictureBuffer mpPictures{kMousePadLeds};
  std::int64_t now = 0;
  std::vector<int> waits;
};

TEST_F(AnimationEngineTest, KeyboardWaitsItsTableDelayAndTheModesExtraThenSendsAndStepsTheHue) {
  struct Case {
    std::uint8_t mode;
    std::uint8_t speed;
    std::vector<int> waits;
  };
  const std::vector<Case> cases = {
      {0, 0, {1, 2, 0}},   {0, 14, {1, 65, 0}}, {1, 2, {1, 17, 20}}, {2, 14, {1, 63, 0}},
      {4, 0, {1, 3, 12}},  {5, 3, {1, 21, 40}}, {6, 1, {1, 13, 15}}, {7, 5, {1, 29, 1}},
      {9, 0, {1, 0, 0}},   {12, 99, {1, 65, 0}},
  };
  for (const auto& c : cases) {
    AnimationEngine engine(Context());
    SetRecord(DeviceKind::kKeyboard, c.mode, c.speed);
    waits.clear();
    EXPECT_TRUE(engine.KeyboardIteration(Recording()));
    EXPECT_EQ(waits, c.waits) << "mode " << int{c.mode} << " speed " << int{c.speed};
    EXPECT_EQ(engine.Hue().Value(), 1);
  }
}

TEST_F(AnimationEngineTest, KeyboardStaticFrameGoesOutInSevenChunksAndIsDrawn) {
  AnimationEngine engine(Context());
  SetRecord(DeviceKind::kKeyboard, Code(LightingMode::kStatic), 0, {250, 128, 7});
  ASSERT_TRUE(engine.KeyboardIteration(Recording()));
  EXPECT_EQ(LedRequests(DeviceKind::kKeyboard), 7u);
  const auto frame = Device(DeviceKind::kKeyboard).Snapshot().ledFrame;
  ASSERT_EQ(frame.size(), 378u);
  EXPECT_EQ(frame[3 * 125], 250);
  EXPECT_EQ(kbPictures.Get(62), (ui::LedPixel{ui::OverlayWord({250, 128, 7}), 255}));
}

TEST_F(AnimationEngineTest, AFrameStopsAtItsFirstFailedChunk) {
  AnimationEngine engine(Context());
  SetRecord(DeviceKind::kKeyboard, Code(LightingMode::kStatic), 0);
  Device(DeviceKind::kKeyboard).InjectFault({sim::Fault::Action::kStatusError, 2, 1});
  ASSERT_TRUE(engine.KeyboardIteration(Recording()));
  EXPECT_EQ(LedRequests(DeviceKind::kKeyboard), 3u);
  ASSERT_TRUE(engine.KeyboardIteration(Recording()));  // the next frame goes out whole
  EXPECT_EQ(LedRequests(DeviceKind::kKeyboard), 10u);
}

TEST_F(AnimationEngineTest, ADisconnectedDeviceCosts100MsAndKeepsItsState) {
  Channel(DeviceKind::kKeyboard).connected = false;
  Channel(DeviceKind::kMousePad).connected = false;
  AnimationEngine engine(Context());
  SetRecord(DeviceKind::kKeyboard, Code(LightingMode::kWave), 1);
  SetRecord(DeviceKind::kMousePad, Code(LightingMode::kWave), 1);
  EXPECT_TRUE(engine.KeyboardIteration(Recording()));
  EXPECT_TRUE(engine.MousePadIteration(Recording()));
  EXPECT_EQ(waits, (std::vector<int>{1, 13, 100, 1, 13, 100}));
  EXPECT_EQ(engine.Hue().Value(), 0);  // no step while the keyboard is away
  EXPECT_EQ(engine.WithKeyboardState([](const KeyboardAnimation& s) { return s.phase; }), 0);
}

TEST_F(AnimationEngineTest, ASharedDeviceIsSkippedByItsOwnThreadUntilItsFirstFlushedEdit) {
  AnimationEngine engine(Context());
  SetRecord(DeviceKind::kKeyboard, Code(LightingMode::kColourCycle), 0);
  engine.WithKeyboardState([](KeyboardAnimation& s) { s.phase = 40; });
  ApplySharedLighting(DeviceKind::kMouse, store, image, Context().channels, {});
  ASSERT_TRUE(engine.KeyboardIteration(Recording()));
  EXPECT_EQ(LedRequests(DeviceKind::kKeyboard), 0u);
  EXPECT_EQ(engine.Hue().Value(), 1);  // the hue still steps

  store.MarkDirty(DeviceKind::kKeyboard);
  FlushSettings(store, image, Context().channels);
  ASSERT_TRUE(engine.KeyboardIteration(Recording()));
  EXPECT_EQ(LedRequests(DeviceKind::kKeyboard), 7u);
  EXPECT_EQ(engine.WithKeyboardState([](const KeyboardAnimation& s) { return s.phase; }), 39);
}

TEST_F(AnimationEngineTest, MouseAndPadWaits) {
  AnimationEngine engine(Context());
  struct Case {
    DeviceKind kind;
    std::uint8_t mode;
    std::uint8_t speed;
    std::vector<int> waits;
  };
  const std::vector<Case> cases = {
      {DeviceKind::kMouse, 0, 2, {1, 27}},         {DeviceKind::kMouse, 4, 0, {1, 3, 50}},
      {DeviceKind::kMouse, 5, 14, {1, 171, 50}},   {DeviceKind::kMousePad, 3, 0, {1, 9, 0}},
      {DeviceKind::kMousePad, 4, 2, {1, 17, 120}}, {DeviceKind::kMousePad, 5, 1, {1, 13, 50}},
      {DeviceKind::kMousePad, 7, 2, {1, 17, 60}},  {DeviceKind::kMousePad, 9, 1, {1, 9}},
      {DeviceKind::kMousePad, 9, 0, {1, 0}},  // a delay of 0 still leaves the 1 ms: no spinning
  };
  for (const auto& c : cases) {
    SetRecord(c.kind, c.mode, c.speed);
    waits.clear();
    EXPECT_TRUE(c.kind == DeviceKind::kMouse ? engine.MouseIteration(Recording())
                                              : engine.MousePadIteration(Recording()));
    EXPECT_EQ(waits, c.waits) << KindPrefix(c.kind) << " mode " << int{c.mode};
  }
  EXPECT_EQ(LedRequests(DeviceKind::kMouse), 6u);  // three frames of two chunks
  EXPECT_EQ(LedRequests(DeviceKind::kMousePad), 4u);  // mode 9 sends nothing
}

TEST_F(AnimationEngineTest, PadSweepPausesASecondAtEachTurn) {
  AnimationEngine engine(Context());
  SetRecord(DeviceKind::kMousePad, Code(LightingMode::kPadSweep), 0);
  for (int i = 0; i < 14; ++i) ASSERT_TRUE(engine.MousePadIteration(Recording()));
  waits.clear();
  ASSERT_TRUE(engine.MousePadIteration(Recording()));
  EXPECT_EQ(waits, (std::vector<int>{1, 9, 50, 1000}));
  EXPECT_EQ(LedRequests(DeviceKind::kMousePad), 14u);
}

TEST_F(AnimationEngineTest, SharedThreadSendsToTheDevicesThatTakePartWithItsWaitsBetween) {
  AnimationEngine engine(Context());
  SetRecord(DeviceKind::kKeyboard, Code(LightingMode::kStatic), 3, {255, 0, 0});
  ApplySharedLighting(DeviceKind::kKeyboard, store, image, Context().channels, {});
  ASSERT_TRUE(engine.SharedIteration(Recording()));
  EXPECT_EQ(waits, (std::vector<int>{1, 12, 6}));
  EXPECT_EQ(LedRequests(DeviceKind::kKeyboard), 7u);
  EXPECT_EQ(Device(DeviceKind::kMouse).Snapshot().ledFrame[0], 255);

  Channel(DeviceKind::kKeyboard).sharedLightingActive = false;
  Channel(DeviceKind::kMouse).sharedLightingActive = false;
  waits.clear();
  ASSERT_TRUE(engine.SharedIteration(Recording()));
  EXPECT_EQ(waits, (std::vector<int>{1, 12, 9, 1, 6}));
  EXPECT_EQ(LedRequests(DeviceKind::kKeyboard), 7u);

  for (const DeviceKind k : device::kAllDeviceKinds) Channel(k).connected = false;
  waits.clear();
  ASSERT_TRUE(engine.SharedIteration(Recording()));
  EXPECT_EQ(waits, (std::vector<int>{1, 12, 1000}));
}

TEST_F(AnimationEngineTest, AnIdleSharedThreadAtSpeedZeroStillWaitsEachIteration) {
  AnimationEngine engine(Context());
  ASSERT_TRUE(engine.SharedIteration(Recording()));
  EXPECT_EQ(waits, (std::vector<int>{1, 0, 20}));
}

TEST_F(AnimationEngineTest, BreathingCountsItsCyclesInTheRecord) {
  AnimationEngine engine(Context());
  SetRecord(DeviceKind::kMousePad, Code(LightingMode::kBreathing), 0);
  image.Update(DeviceKind::kMousePad, [](DeviceBlocks& b) { b.current[rec::kDirection] = 1; });
  engine.WithMousePadState([](MousePadAnimation& s) { s.phase = 127; });
  ASSERT_TRUE(engine.MousePadIteration(Recording()));
  EXPECT_EQ(image.Current(DeviceKind::kMousePad)[rec::kBreathCycle], 1);
}

TEST_F(AnimationEngineTest, PadFlashesOnAMouseEvent) {
  AnimationEngine engine(Context());
  SetRecord(DeviceKind::kMousePad, Code(LightingMode::kPadMouseFlash), 0, {255, 255, 255});
  ASSERT_TRUE(engine.MousePadIteration(Recording()));
  EXPECT_EQ(Device(DeviceKind::kMousePad).Snapshot().ledFrame[0], 0);
  engine.OnMouseEvent();
  ASSERT_TRUE(engine.MousePadIteration(Recording()));
  EXPECT_EQ(Device(DeviceKind::kMousePad).Snapshot().ledFrame[0], 255);
  now = 150;
  ASSERT_TRUE(engine.MousePadIteration(Recording()));  // still lit: the frame that ends it
  ASSERT_TRUE(engine.MousePadIteration(Recording()));
  EXPECT_EQ(Device(DeviceKind::kMousePad).Snapshot().ledFrame[0], 0);
}

TEST_F(AnimationEngineTest, ThreadsAnimateAllDevicesWhileTheEditorResetsThemAndStopAtOnce) {
  for (const DeviceKind k : device::kAllDeviceKinds) SetRecord(k, Code(LightingMode::kWave), 0);
  AnimationEngine engine(Context());
  engine.Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline &&
         (LedRequests(DeviceKind::kKeyboard) < 14 || LedRequests(DeviceKind::kMouse) < 2 ||
          LedRequests(DeviceKind::kMousePad) < 2)) {
    engine.ResetAnimation(DeviceKind::kKeyboard);
    engine.SeedReactive(52);
    engine.OnTimer10ms();
    engine.OnMouseEvent();
    store.SetShared({});
    std::this_thread::sleep_for(milliseconds(5));
  }
  engine.Stop();
  EXPECT_GE(LedRequests(DeviceKind::kKeyboard), 14u);
  EXPECT_GE(LedRequests(DeviceKind::kMouse), 2u);
  EXPECT_GE(LedRequests(DeviceKind::kMousePad), 2u);
}

TEST(StopWaitTest, AStopEndsEveryWaitAtOnce) {
  core::StopEvent stop;
  const Wait wait = StopWait(stop);
  EXPECT_TRUE(wait(milliseconds(0)));
  stop.Set();
  EXPECT_FALSE(wait(std::chrono::hours(1)));
}

}  // namespace
}  // namespace tavrinex::lighting
