// The simulated devices as the host sees them, through the real transport.
#include "sim/simulated_device.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <numeric>
#include <string>
#include <vector>

#include "device/hid_path_list.h"
#include "sim/factory_defaults.h"
#include "sim_fixture.h"

namespace tavrinex::device {
namespace {

using namespace std::chrono_literals;
namespace factory = sim::factory;
using sim::Fault;

class SimulatedDeviceTest : public SimFixture {};

TEST_F(SimulatedDeviceTest, FiveInterfacesWithTheirIdsAndUsages) {
  HidPathList list;
  ASSERT_TRUE(EnumerateHidPaths(bus, list));
  std::vector<std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>> seen;
  for (const auto& e : list.Entries()) {
    EXPECT_EQ(e.vendorId, kVendorId);
    seen.emplace_back(e.productId, e.usagePage, e.usage);
  }
  EXPECT_EQ(seen, (std::vector<std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>>{
                      {kKeyboardProductId, kConfigUsagePage, kConfigUsage},
                      {kKeyboardProductId, kConsumerUsagePage, kConsumerUsage},
                      {kMouseProductId, kConfigUsagePage, kConfigUsage},
                      {kMouseProductId, kConsumerUsagePage, kConsumerUsage},
                      {kMousePadProductId, kConfigUsagePage, kConfigUsage}}));
}

// One byte selects a profile; 56 bytes store the current settings into the active profile.
TEST_F(SimulatedDeviceTest, SettingsWritesSelectAndStoreTheActiveProfile) {
  Connect(DeviceKind::kMouse);
  DeviceChannel& c = Channel(DeviceKind::kMouse);
  const std::array<std::uint8_t, 1> select = {3};
  ASSERT_EQ(c.WriteSettings(select), kResultOk);
  std::array<std::uint8_t, 1> active{};
  ASSERT_EQ(c.ReadSettings(0, active), kResultOk);
  EXPECT_EQ(active[0], 3);

  std::array<std::uint8_t, 56> record{};
  std::iota(record.begin(), record.end(), std::uint8_t{100});
  record[0] = 3;
  ASSERT_EQ(c.WriteSettings(record), kResultOk);
  std::array<std::uint8_t, 56> slot{};
  ASSERT_EQ(c.ReadSettings(3 * 64, slot), kResultOk);
  EXPECT_EQ(slot, record);
  EXPECT_EQ(Device(DeviceKind::kMouse).Snapshot().Slot(0)[1], factory::Record(DeviceKind::kMouse, 0)[1])
      << "slot 0 untouched";

  const std::array<std::uint8_t, 1> noSuchProfile = {5};
  EXPECT_EQ(c.WriteSettings(noSuchProfile), kResultStatusError);
  EXPECT_EQ(c.ReadSettings(300, slot), kResultStatusError) << "past the 320-byte area";
}

// Pages overlap in their addresses (page p starts at p x 126); each must still land in its
// own page, page 0's last chunk and page 4's first (both at 504) included.
struct PageCase {
  DeviceKind kind;
  std::uint16_t blockLength;
};

class KeyPageRoundTrip : public SimulatedDeviceTest, public testing::WithParamInterface<PageCase> {};

TEST_P(KeyPageRoundTrip, EveryPageKeepsItsOwnBytes) {
  const auto [kind, length] = GetParam();
  Connect(kind);
  DeviceChannel& c = Channel(kind);
  c.blockLength = length;
  std::array<std::vector<std::uint8_t>, 5> written;
  for (unsigned p = 0; p < 5; ++p) {
    written[p].resize(length);
    for (std::size_t i = 0; i < length; ++i) written[p][i] = static_cast<std::uint8_t>(p * 37 + i);
    ASSERT_EQ(c.WriteKeyPage(p, written[p]), kResultOk) << p;
  }
  const auto fw = Device(kind).Snapshot();
  for (unsigned p = 0; p < 5; ++p) {
    std::vector<std::uint8_t> back(length);
    ASSERT_EQ(c.ReadKeyPage(p, back), kResultOk);
    EXPECT_EQ(back, written[p]) << p;
    EXPECT_TRUE(std::equal(written[p].begin(), written[p].end(), fw.keyPages[p].begin())) << p;
  }
  // A block length the device does not have is refused rather than misfiled.
  c.blockLength = static_cast<std::uint16_t>(length - 3);
  std::vector<std::uint8_t> wrong(length);
  EXPECT_EQ(c.ReadKeyPage(1, wrong), kResultStatusError);
}

INSTANTIATE_TEST_SUITE_P(Blocks, KeyPageRoundTrip,
                         testing::Values(PageCase{DeviceKind::kKeyboard, 378},
                                         PageCase{DeviceKind::kMouse, 512}));

TEST_F(SimulatedDeviceTest, LedFrameAndMacrosAreKeptWithinTheirAreas) {
  Connect(DeviceKind::kKeyboard);
  DeviceChannel& c = Channel(DeviceKind::kKeyboard);
  std::vector<std::uint8_t> frame(378);
  std::iota(frame.begin(), frame.end(), std::uint8_t{1});
  ASSERT_EQ(c.WriteLedColours(frame), kResultOk);
  std::vector<std::uint8_t> macros(34, 0xAB);
  ASSERT_EQ(c.WriteMacros(macros), kResultOk);
  const auto fw = Device(DeviceKind::kKeyboard).Snapshot();
  EXPECT_EQ(fw.ledFrame, frame);
  EXPECT_TRUE(std::equal(macros.begin(), macros.end(), fw.macros.begin()));
  EXPECT_EQ(fw.macros.size(), 128u * 32u);

  std::vector<std::uint8_t> tooLong(381);
  EXPECT_EQ(c.WriteLedColours(tooLong), kResultStatusError);
}

TEST_F(SimulatedDeviceTest, FrameWithAWrongChecksumIsRefused) {
  Connect(DeviceKind::kMousePad);
  auto request = ReportFrame::Request(Command::kBegin, 0, 0);
  request.bytes[frame::kChecksumLow] ^= 1;
  ReportFrame reply;
  EXPECT_EQ(Channel(DeviceKind::kMousePad).Exchange(request, reply), kResultStatusError);
  EXPECT_FALSE(Device(DeviceKind::kMousePad).Snapshot().inSequence);
}

// Reads the first consumer usage the interface reports, or 0 when none comes in time (a report
// ends the wait at once, so the default only bounds a failing test).
class ConsumerListener {
 public:
  ConsumerListener(sim::SimBus& bus, const std::string& path) : hid_(bus) {
    hid_.path = path;
    hid_.openForReading = true;
    opened_ = hid_.OpenDevice();
  }
  [[nodiscard]] bool Opened() const { return opened_; }
  std::uint16_t Next(std::chrono::milliseconds wait = 10000ms) {
    std::size_t n = 0;
    if (!hid_.ReadReport(hid_.InputBuffer(), wait, n)) return 0;
    if (!hid_.DecodeInputReport(hid_.InputBuffer())) return 0;
    return hid_.DataItems().empty() ? 0 : hid_.DataItems()[0].usages[0];
  }

 private:
  HidDevice hid_;
  bool opened_ = false;
};

TEST_F(SimulatedDeviceTest, OnDeviceChangesAreAnnouncedOnTheConsumerInterface) {
  auto& kb = Device(DeviceKind::kKeyboard);
  auto& ms = Device(DeviceKind::kMouse);
  ConsumerListener kbListen(bus, kb.ConsumerPath());
  ConsumerListener msListen(bus, ms.ConsumerPath());
  ASSERT_TRUE(kbListen.Opened() && msListen.Opened());

  kb.UserSwitchProfile(2);
  EXPECT_EQ(kbListen.Next(), 0x0402);
  EXPECT_EQ(kbListen.Next(), 0) << "then the release";
  EXPECT_EQ(kb.Snapshot().ActiveProfile(), 2);

  kb.UserChangeMode(5);
  EXPECT_EQ(kbListen.Next(), 0x0401);
  EXPECT_EQ(kb.Snapshot().Slot(2)[factory::record::kMode], 5);

  ms.UserButtonEvent();
  EXPECT_EQ(msListen.Next(), 0x0403);
  kb.UserButtonEvent();  // only the mouse reports its buttons
  kbListen.Next();       // release of the mode change
  EXPECT_EQ(kbListen.Next(50ms), 0);
}

TEST_F(SimulatedDeviceTest, FactoryResetRestoresTheFactoryStateAndIsAnnounced) {
  auto& ms = Device(DeviceKind::kMouse);
  ConsumerListener listen(bus, ms.ConsumerPath());
  Connect(DeviceKind::kMouse);
  DeviceChannel& c = Channel(DeviceKind::kMouse);
  std::vector<std::uint8_t> page(512, 0x33);
  ASSERT_EQ(c.WriteKeyPage(2, page), kResultOk);
  const std::array<std::uint8_t, 1> select = {4};
  ASSERT_EQ(c.WriteSettings(select), kResultOk);

  EXPECT_EQ(c.FactoryReset(), kResultOk);
  const auto fw = ms.Snapshot();
  EXPECT_EQ(fw.keyPages[2], factory::MouseDefaultKeys());
  EXPECT_EQ(fw.settings, factory::Settings(DeviceKind::kMouse));
  EXPECT_EQ(fw.ActiveProfile(), 0);
  EXPECT_EQ(listen.Next(), 0x0402);
}

// Each fault hits the next request only; the channel's retry takes the second attempt
// where the fault leaves the device silent or speaking nonsense of the wrong length.
struct FaultCase {
  std::string name;
  Fault::Action action;
  CommandResult result;
  std::size_t requests;
};

class FaultInjection : public SimulatedDeviceTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(FaultInjection, HitsTheChosenRequest) {
  const FaultCase& f = GetParam();
  auto& mp = Device(DeviceKind::kMousePad);
  Connect(DeviceKind::kMousePad);
  DeviceChannel& c = Channel(DeviceKind::kMousePad);
  ASSERT_EQ(c.Begin(), kResultOk);
  mp.InjectFault({f.action, 1, 1});  // the request after next
  ASSERT_EQ(c.Begin(), kResultOk);
  EXPECT_EQ(c.End(), f.result);
  EXPECT_EQ(mp.RequestCount(), 2u + f.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, FaultInjection,
    testing::Values(FaultCase{"StatusFF", Fault::Action::kStatusError, kResultStatusError, 1},
                    FaultCase{"StatusFE", Fault::Action::kStatusBusy, kResultStatusBusy, 1},
                    FaultCase{"NoReply", Fault::Action::kNoReply, kResultOk, 2},
                    FaultCase{"ShortReply", Fault::Action::kShortReply, kResultOk, 2}),
    [](const auto& test) { return test.param.name; });

TEST_F(SimulatedDeviceTest, SilentDeviceIsAskedFourTimes) {
  auto& mp = Device(DeviceKind::kMousePad);
  Connect(DeviceKind::kMousePad);
  mp.InjectFault({Fault::Action::kNoReply, 0, Fault::kEvery});
  EXPECT_EQ(Channel(DeviceKind::kMousePad).Begin(), kResultNoReply);
  EXPECT_EQ(mp.RequestCount(), 4u);
}

TEST_F(SimulatedDeviceTest, GarbageIsTakenForAReply) {
  auto& kb = Device(DeviceKind::kKeyboard);
  Connect(DeviceKind::kKeyboard);
  kb.InjectFault({Fault::Action::kGarbage, 0, 1});
  std::array<std::uint8_t, 33> info{};
  const CommandResult r = Channel(DeviceKind::kKeyboard).ReadInfo(info);
  EXPECT_EQ(kb.RequestCount(), 1u);
  if (r == kResultOk) {
    EXPECT_NE(info, factory::Info(DeviceKind::kKeyboard));
  }
}

TEST_F(SimulatedDeviceTest, SlowDeviceStillAnswers) {
  auto& mp = Device(DeviceKind::kMousePad);
  Connect(DeviceKind::kMousePad);
  mp.SetReplyDelay(20ms);
  std::array<std::uint8_t, 56> slot{};
  EXPECT_EQ(Channel(DeviceKind::kMousePad).ReadSettings(64, slot), kResultOk);
  EXPECT_EQ(slot[factory::record::kMode], 1);
  EXPECT_EQ(mp.RequestCount(), 1u);
}

TEST_F(SimulatedDeviceTest, UnplugMidTransferAndPlugAgain) {
  auto& kb = Device(DeviceKind::kKeyboard);
  Connect(DeviceKind::kKeyboard);
  DeviceChannel& c = Channel(DeviceKind::kKeyboard);
  std::vector<std::uint8_t> frame(378, 0x11);
  ASSERT_EQ(c.WriteLedColours(frame), kResultOk);
  c.blockLength = 378;
  std::vector<std::uint8_t> page(378, 0x5A);
  ASSERT_EQ(c.WriteKeyPage(1, page), kResultOk);

  kb.InjectFault({Fault::Action::kUnplug, 2, 1});
  std::vector<std::uint8_t> dest(378);
  const CommandResult r = c.ReadDefaultKeys(dest);
  EXPECT_TRUE(r == kResultWriteFailed || r == kResultNoReply) << r;
  EXPECT_FALSE(kb.IsPlugged());
  EXPECT_FALSE(bus.IsPlugged(kb.ConfigPath()));
  EXPECT_FALSE(bus.IsPlugged(kb.ConsumerPath()));

  kb.ClearFaults();
  kb.Plug();
  Connect(DeviceKind::kKeyboard);
  const auto fw = kb.Snapshot();
  EXPECT_EQ(fw.ledFrame, std::vector<std::uint8_t>(378, 0)) << "the LED frame was in RAM";
  EXPECT_EQ(fw.keyPages[1][0], 0x5A) << "the key pages are stored";
  EXPECT_EQ(c.ReadKeyPage(1, dest), kResultOk);
  EXPECT_EQ(dest, page);
}

}  // namespace
}  // namespace tavrinex::device
