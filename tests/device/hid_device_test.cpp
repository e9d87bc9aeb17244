#include "device/hid_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "channel_fixture.h"
#include "device/fd_io.h"

namespace tavrinex::device {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous bound for "returned early": far below the time-out the wait would otherwise run.
constexpr auto kLongTimeout = 60s;
constexpr auto kEarly = 20s;
// For a report that is on its way: a read returns as soon as it comes, so the bound only ends a
// failing test.
constexpr auto kReplyWait = 10s;

class HidDeviceTest : public ChannelTest {
 protected:
  HidDevice& hid = channel.hid;
};

TEST_F(HidDeviceTest, OpenLoadsAttributesAndCapabilities) {
  EXPECT_EQ(hid.Attributes().vendorId, kVendorId);
  EXPECT_EQ(hid.Attributes().productId, kKeyboardProductId);
  EXPECT_EQ(hid.Capabilities().usagePage, kConfigUsagePage);
  EXPECT_EQ(hid.Capabilities().usage, kConfigUsage);
  EXPECT_EQ(hid.Capabilities().inputReportLength, 64);
  EXPECT_EQ(hid.Capabilities().outputReportLength, 64);
  EXPECT_EQ(hid.InputBuffer().size(), 64u);
}

TEST_F(HidDeviceTest, AbortEndsAWaitingReadAtOnce) {
  device->SetResponder([](const ReportFrame&, std::size_t) { return sim::ScriptedReply::Silent(); });
  std::array<std::uint8_t, 64> buffer{};
  std::size_t n = 99;
  std::thread aborter([&] {
    std::this_thread::sleep_for(50ms);
    hid.Abort();
  });
  const auto start = Clock::now();
  EXPECT_FALSE(hid.ReadReport(buffer, kLongTimeout, n));
  EXPECT_LT(Clock::now() - start, kEarly);
  EXPECT_EQ(n, 0u);
  aborter.join();
  // The abort was for that read only: the next one waits for its own time-out.
  EXPECT_FALSE(hid.ReadReport(buffer, 20ms, n));
}

TEST_F(HidDeviceTest, CloseFromAnotherThreadEndsAPendingRead) {
  std::array<std::uint8_t, 64> buffer{};
  std::size_t n = 0;
  bool result = true;
  std::thread reader([&] { result = hid.ReadReport(buffer, kLongTimeout, n); });
  std::this_thread::sleep_for(50ms);
  const auto start = Clock::now();
  hid.CloseDevice();
  reader.join();
  EXPECT_LT(Clock::now() - start, kEarly);
  EXPECT_FALSE(result);
  EXPECT_FALSE(hid.IsOpen());
}

TEST_F(HidDeviceTest, ReportsOfTheWrongLengthAreConsumedAsFailures) {
  for (const std::size_t size : {std::size_t{10}, std::size_t{65}, std::size_t{64}}) {
    sim::ScriptedReply reply = sim::ScriptedReply::Raw(std::vector<std::uint8_t>(size, 0x04));
    device->SetResponder([reply](const ReportFrame&, std::size_t) { return reply; });
    std::size_t n = 0;
    ASSERT_TRUE(hid.WriteReport(ReportFrame::Request(Command::kBegin, 0, 0).bytes, n));
    std::array<std::uint8_t, 64> buffer{};
    EXPECT_EQ(hid.ReadReport(buffer, kReplyWait, n), size == 64) << size;
    EXPECT_EQ(n, size == 64 ? 64u : 0u);
  }
}

TEST_F(HidDeviceTest, ClosedPeerFailsReadsAndWritesAtOnce) {
  bus.Unplug(kTestPath);
  std::array<std::uint8_t, 64> buffer{};
  std::size_t n = 0;
  const auto start = Clock::now();
  EXPECT_FALSE(hid.ReadReport(buffer, kLongTimeout, n));
  EXPECT_FALSE(hid.WriteReport(buffer, n));
  EXPECT_LT(Clock::now() - start, kEarly);
  EXPECT_FALSE(hid.ProbePresence(kTestPath));
}

TEST_F(HidDeviceTest, InterfaceGoneBetweenEnumerationAndOpen) {
  ASSERT_TRUE(hid.EnumeratePaths());
  ASSERT_EQ(hid.paths.Count(), 1u);
  bus.Unplug(kTestPath);
  hid.path = hid.paths[0].path;
  EXPECT_FALSE(hid.OpenDevice());
  EXPECT_FALSE(hid.IsOpen());
}

TEST_F(HidDeviceTest, ExclusiveOpenLetsOthersOnlyRead) {
  hid.CloseDevice();
  hid.exclusive = true;
  ASSERT_TRUE(hid.OpenDevice());

  HidDevice other(bus);
  other.path = kTestPath;
  other.openForReading = true;
  other.openForWriting = true;
  EXPECT_FALSE(other.OpenDevice()) << "a writer while an exclusive opener holds it";
  other.openForWriting = false;
  EXPECT_TRUE(other.OpenDevice()) << "a reader is always allowed";

  hid.CloseDevice();
  other.openForWriting = true;
  EXPECT_TRUE(other.OpenDevice());
  hid.exclusive = true;
  EXPECT_FALSE(hid.OpenDevice()) << "exclusive while another writer holds it";
}

// Consumer-control reports arrive unsolicited and are decoded into usages.
TEST(HidDeviceConsumer, DecodesAnAnnouncedUsage) {
  sim::SimBus bus;
  bus.Plug({"sim:consumer", kVendorId, kMouseProductId,
            {sim::kConsumerDescriptor.begin(), sim::kConsumerDescriptor.end()}},
           std::make_shared<sim::ScriptedDevice>());
  HidDevice hid(bus);
  hid.path = "sim:consumer";
  hid.openForReading = true;
  ASSERT_TRUE(hid.OpenDevice());
  ASSERT_EQ(hid.Capabilities().inputReportLength, 3);
  ASSERT_EQ(hid.Capabilities().usagePage, kConsumerUsagePage);

  const std::array<std::uint8_t, 3> report{sim::kConsumerReportId, 0x03, 0x04};
  bus.SendInput("sim:consumer", report);
  std::size_t n = 0;
  ASSERT_TRUE(hid.ReadReport(hid.InputBuffer(), kReplyWait, n));
  ASSERT_TRUE(hid.DecodeInputReport(hid.InputBuffer()));
  const auto items = hid.DataItems();
  ASSERT_FALSE(items.empty());
  EXPECT_TRUE(items[0].isButton);
  EXPECT_TRUE(items[0].hasData);
  EXPECT_EQ(items[0].usages[0], 0x0403);
}

class BlockingWriteTest : public ChannelTest {
 protected:
  BlockingWriteTest() { writeStyle = WriteStyle::kBlocking; }
};

TEST_F(BlockingWriteTest, ExchangesWorkThroughTheWriterThread) {
  std::vector<std::uint8_t> dest(512);
  EXPECT_EQ(channel.ReadDefaultKeys(dest), kResultOk);
  EXPECT_EQ(device->RequestCount(), 10u);
}

// A device that stops taking reports: the write that cannot complete fails after its
// 1000 ms, the next fails at once, and closing does not wait for the stuck one.
TEST_F(BlockingWriteTest, StuckWriteTimesOutAndLeavesNothingInUse) {
  device->SetResponder([](const ReportFrame&, std::size_t) {
    sim::ScriptedReply r = sim::ScriptedReply::Silent();
    r.delay = std::chrono::hours(1);  // ends when the interface is unplugged
    return r;
  });
  HidDevice& hid = channel.hid;
  std::size_t n = 0;
  const auto frame = ReportFrame::Request(Command::kWriteLedColours, 56, 0);
  int written = 0;
  while (written < 100000 && hid.WriteReport(frame.bytes, n)) ++written;
  ASSERT_LT(written, 100000) << "the socket never filled";
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(hid.WriteReport(frame.bytes, n));
  const auto start = Clock::now();
  hid.CloseDevice();
  EXPECT_LT(Clock::now() - start, kEarly);
  bus.Unplug(kTestPath);
}

// Every descriptor of this process that names the same open file as `fd` (by its /proc link).
std::vector<int> DescriptorsLike(int fd) {
  namespace fs = std::filesystem;
  const fs::path self = "/proc/self/fd";
  const auto target = fs::read_symlink(self / std::to_string(fd));
  std::vector<int> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(self, error)) {
    std::error_code linkError;
    if (fs::read_symlink(entry.path(), linkError) == target && !linkError) {
      found.push_back(std::stoi(entry.path().filename().string()));
    }
  }
  return found;
}

// A program started while a device is open (the desktop's file chooser, a helper) must not
// inherit the writer thread's copy of the device fd.
TEST(BlockingWriter, ItsCopyOfTheFdIsClosedOnExec) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
  {
    const BlockingWriter writer(pair[0]);
    const std::vector<int> copies = DescriptorsLike(pair[0]);
    ASSERT_EQ(copies.size(), 2u);
    for (const int copy : copies) EXPECT_NE(::fcntl(copy, F_GETFD) & FD_CLOEXEC, 0) << copy;
  }
  ::close(pair[0]);
  ::close(pair[1]);
}

}  // namespace
}  // namespace tavrinex::device
