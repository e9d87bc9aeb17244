// Report ids on real hidraw nodes, for a node that declares them and one that does not: what
// the device receives for a report the host writes, and what the host reads of a report the
// device sends.
#include <gtest/gtest.h>

#include <array>
#include <mutex>
#include <vector>

#include "device/hid_device.h"
#include "kernel_fixture.h"
#include "device/report_frame.h"
#include "device/linux_hid_backend.h"
#include "sim/descriptors.h"
#include "sim/uhid_bus.h"

namespace tavrinex::device {
namespace {

using namespace std::chrono_literals;

// The configuration collection without a report id: 63-byte reports each way.
constexpr std::array<std::uint8_t, 25> kUnnumberedDescriptor = {
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75,
    0x08, 0x95, 0x3F, 0x09, 0x92, 0x81, 0x02, 0x09, 0x92, 0x91, 0x02, 0xC0,
};

// Keeps what it receives and sends it straight back as an input report.
class EchoEnd final : public sim::DeviceEnd {
 public:
  void OnOutputReport(std::span<const std::uint8_t> report, sim::ReplySink& reply) override {
    {
      std::lock_guard lock(mutex_);
      received_.assign(report.begin(), report.end());
    }
    reply.Send(report);
  }
  std::vector<std::uint8_t> Received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::uint8_t> received_;
};

struct IdCase {
  const char* name;
  bool numbered;
  std::uint8_t firstPayloadByte;  // a 0 here is what usbhid takes for the "no id" marker
};

void PrintTo(const IdCase& c, std::ostream* os) { *os << c.name; }

class ReportIdTest : public testing::TestWithParam<IdCase> {};

INSTANTIATE_TEST_SUITE_P(Nodes, ReportIdTest,
                         testing::Values(IdCase{"Numbered", true, 0x00},
                                         IdCase{"Unnumbered", false, 0x11},
                                         IdCase{"UnnumberedLeadingZero", false, 0x00}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_P(ReportIdTest, WriteAndReadCarryTheReportAsTheDeviceKnowsIt) {
  sim::UhidBus uhid;
  TAVRINEX_NEED(uhid.Available(), "/dev/uhid");
  const IdCase& c = GetParam();
  auto echo = std::make_shared<EchoEnd>();
  sim::InterfaceSpec spec{"uhid:echo", 0x0C45, 0x7777, {}};
  if (c.numbered) {
    spec.reportDescriptor.assign(sim::kConfigDescriptor.begin(), sim::kConfigDescriptor.end());
  } else {
    spec.reportDescriptor.assign(kUnnumberedDescriptor.begin(), kUnnumberedDescriptor.end());
  }
  uhid.Plug(spec, echo);
  ASSERT_FALSE(uhid.NodeOf("uhid:echo").empty()) << uhid.LastError();

  LinuxHidBackend backend;
  HidDevice hid(backend);
  hid.path = uhid.NodeOf("uhid:echo");
  hid.openForReading = hid.openForWriting = hid.overlapped = true;
  ASSERT_TRUE(hid.OpenDevice());
  ASSERT_EQ(hid.Capabilities().inputReportLength, 64);

  // The host's report: the id (0 without ids) and 63 bytes of payload.
  std::vector<std::uint8_t> report(64);
  report[0] = c.numbered ? kConfigReportId : 0;
  for (std::size_t i = 1; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(i);
  report[1] = c.firstPayloadByte;
  std::size_t written = 0;
  ASSERT_TRUE(hid.WriteReport(report, written));
  EXPECT_EQ(written, report.size());

  std::vector<std::uint8_t> back(64);
  std::size_t read = 0;
  ASSERT_TRUE(hid.ReadReport(back, 1000ms, read));
  const std::vector<std::uint8_t> payload(report.begin() + 1, report.end());
  EXPECT_EQ(echo->Received(), c.numbered ? report : payload) << "what the device received";
  EXPECT_EQ(back, report) << "what the host read back";
}

}  // namespace
}  // namespace tavrinex::device
