#include "device/linux_hid_backend.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "device/device_ids.h"
#include "device/hid_device.h"
#include "device/hid_path_list.h"
#include "sim/descriptors.h"

namespace tavrinex::device {
namespace {

namespace fs = std::filesystem;

// Descriptor with two top-level collections: a keyboard and the consumer page.
constexpr std::uint8_t kTwoCollections[] = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0xC0,  // keyboard, id 1
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x0F, 0x19,
    0x00, 0x2A, 0xFF, 0x0F, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};  // consumer, id 2

// A sysfs tree (class/hidraw/<node>/device/{uevent,report_descriptor}) and a folder of
// device nodes, which are plain files here: enough for enumeration, open and flock.
class FakeSysfs : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tavrinex-sysfs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root = tmpl;
    fs::create_directories(root / "sys/class/hidraw");
    fs::create_directories(root / "dev");
  }
  void TearDown() override { fs::remove_all(root); }

  void AddNode(const std::string& name, const std::string& hidId,
               std::span<const std::uint8_t> descriptor) {
    const fs::path dir = root / "sys/class/hidraw" / name / "device";
    fs::create_directories(dir);
    std::ofstream(dir / "uevent") << "DRIVER=hid-generic\nHID_ID=" << hidId
                                  << "\nHID_NAME=Test\n";
    std::ofstream(dir / "report_descriptor", std::ios::binary)
        .write(reinterpret_cast<const char*>(descriptor.data()),
               static_cast<std::streamsize>(descriptor.size()));
    std::ofstream(root / "dev" / name) << "";
  }

  [[nodiscard]] LinuxHidBackend Backend() const {
    return LinuxHidBackend({(root / "sys").string(), (root / "dev").string()});
  }
  [[nodiscard]] std::string Node(const std::string& name) const {
    return (root / "dev" / name).string();
  }

  fs::path root;
};

TEST_F(FakeSysfs, FortyInterfacesGrowTheListToSixtyFour) {
  for (int i = 0; i < 40; ++i) {
    const bool ours = i % 4 == 0;
    AddNode("hidraw" + std::to_string(i), ours ? "0003:00000C45:00006710" : "0003:0000046D:0000C52B",
            ours ? std::span<const std::uint8_t>(sim::kConfigDescriptor)
                 : std::span<const std::uint8_t>(sim::kConsumerDescriptor));
  }
  auto backend = Backend();
  HidPathList list;
  ASSERT_TRUE(EnumerateHidPaths(backend, list));
  EXPECT_EQ(list.Count(), 40u);
  EXPECT_EQ(list.Capacity(), 64u);
  for (std::size_t i = 0; i < 40; ++i) {
    EXPECT_EQ(list[i].path, Node("hidraw" + std::to_string(i))) << "udev's order: 2 before 10";
  }
  EXPECT_EQ(list[8].vendorId, kVendorId);
  EXPECT_EQ(list[8].productId, kMouseProductId);
  EXPECT_EQ(list[8].usagePage, kConfigUsagePage);
  EXPECT_EQ(list[8].usage, kConfigUsage);
  EXPECT_EQ(list[9].vendorId, 0x046D);
  EXPECT_EQ(list[9].usagePage, kConsumerUsagePage);
}

TEST(HidPathList, CapacityDoublesFromEight) {
  HidPathList list;
  std::vector<std::size_t> seen;
  for (int i = 0; i < 40; ++i) {
    list.Append({});
    if (seen.empty() || seen.back() != list.Capacity()) seen.push_back(list.Capacity());
  }
  EXPECT_EQ(seen, (std::vector<std::size_t>{8, 16, 32, 64}));
}

TEST_F(FakeSysfs, OneEntryPerTopLevelCollectionAndUnreadableNodesStillListed) {
  AddNode("hidraw0", "0003:00000C45:00008903", kTwoCollections);
  const std::uint8_t broken[] = {0x05, 0x01, 0x09};  // truncated
  AddNode("hidraw1", "0003:00000C45:00008903", broken);
  auto backend = Backend();
  HidPathList list;
  ASSERT_TRUE(EnumerateHidPaths(backend, list));
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list[0].path, list[1].path);
  EXPECT_EQ(list[0].usagePage, 0x0001);
  EXPECT_EQ(list[0].usage, 0x0006);
  EXPECT_EQ(list[1].usagePage, kConsumerUsagePage);
  // Each collection with the report ids that tell its reports apart on the shared node.
  EXPECT_EQ(list[0].inputReportIds, std::vector<std::uint8_t>{1});
  EXPECT_EQ(list[1].inputReportIds, std::vector<std::uint8_t>{2});
  EXPECT_TRUE(list[1].outputReportIds.empty());
  EXPECT_EQ(list[2].usagePage, 0);
  EXPECT_EQ(list[2].usage, 0);
}

TEST_F(FakeSysfs, MissingClassFolderIsAnEnumerationFailure) {
  fs::remove_all(root / "sys/class");
  auto backend = Backend();
  HidPathList list;
  list.Append({"left over", 1, 2, 3, 4, {}, {}});
  EXPECT_FALSE(EnumerateHidPaths(backend, list));
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(FakeSysfs, OpenDescribesTheNodeFromSysfs) {
  AddNode("hidraw3", "0003:00000C45:00005004", sim::kConfigDescriptor);
  auto backend = Backend();
  HidDevice hid(backend);
  hid.path = Node("hidraw3");
  hid.openForReading = hid.openForWriting = true;
  ASSERT_TRUE(hid.OpenDevice());
  EXPECT_EQ(hid.Attributes().vendorId, kVendorId);
  EXPECT_EQ(hid.Attributes().productId, kMousePadProductId);
  EXPECT_EQ(hid.Capabilities().usagePage, kConfigUsagePage);
  EXPECT_EQ(hid.Capabilities().inputReportLength, 64);
  EXPECT_TRUE(hid.ProbePresence(hid.path));
  hid.CloseDevice();

  fs::remove(root / "dev/hidraw3");  // unplugged between enumeration and open
  EXPECT_FALSE(hid.OpenDevice());
  EXPECT_FALSE(hid.ProbePresence(hid.path));
}

// hidraw takes the report number first even on a node without report ids (0 there, which
// the USB driver drops): a report written without it loses its first byte when that is 0.
TEST_F(FakeSysfs, WritesTheZeroReportIdOfANodeWithoutIds) {
  constexpr std::uint8_t kUnnumbered[] = {0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x15, 0x00,
                                          0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F, 0x09, 0x92,
                                          0x81, 0x02, 0x09, 0x92, 0x91, 0x02, 0xC0};
  AddNode("hidraw5", "0003:00000C45:00005004", kUnnumbered);
  auto backend = Backend();
  HidDevice hid(backend);
  hid.path = Node("hidraw5");
  hid.openForReading = hid.openForWriting = true;
  ASSERT_TRUE(hid.OpenDevice());
  std::vector<std::uint8_t> report(64, 0);
  report[2] = 0x12;
  std::size_t written = 0;
  ASSERT_TRUE(hid.WriteReport(report, written));
  hid.CloseDevice();
  std::ifstream in(Node("hidraw5"), std::ios::binary);
  const std::vector<std::uint8_t> onNode((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  EXPECT_EQ(onNode, report);
}

TEST_F(FakeSysfs, ExclusiveOpenLetsOthersOnlyRead) {
  AddNode("hidraw0", "0003:00000C45:00008903", sim::kConfigDescriptor);
  auto backend = Backend();
  const auto node = Node("hidraw0");
  auto first = backend.Open(node, {true, true, true, true});
  ASSERT_TRUE(first);
  EXPECT_FALSE(backend.Open(node, {true, true, true, false}));
  EXPECT_TRUE(backend.Open(node, {true, false, true, false}));
  first.reset();
  auto writer = backend.Open(node, {true, true, true, false});
  ASSERT_TRUE(writer);
  EXPECT_FALSE(backend.Open(node, {true, true, true, true}));
  EXPECT_TRUE(backend.Open(node, {true, true, true, false})) << "writers share";
}

TEST(ParseHidId, Cases) {
  using Ids = std::optional<std::pair<std::uint16_t, std::uint16_t>>;
  const std::pair<const char*, Ids> cases[] = {
      {"HID_ID=0003:00000C45:00008903\n", Ids({0x0C45, 0x8903})},
      {"DRIVER=hid-generic\nHID_ID=0003:00000c45:00006710\nHID_NAME=x\n", Ids({0x0C45, 0x6710})},
      {"HID_ID=0003:00010C45:00008903\n", std::nullopt},  // vendor beyond 16 bits
      {"HID_ID=0003:00000C45\n", std::nullopt},
      {"HID_ID=0003:zz:00008903\n", std::nullopt},
      {"HID_NAME=no id\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseHidId(text), expected) << text;
}

TEST(LinuxHidBackend, ListsTheRealSystemThroughUdev) {
  LinuxHidBackend backend;
  HidPathList list;
  ASSERT_TRUE(EnumerateHidPaths(backend, list));
  for (const auto& info : list.Entries()) EXPECT_EQ(info.path.rfind("/dev/", 0), 0u) << info.path;
}

}  // namespace
}  // namespace tavrinex::device
