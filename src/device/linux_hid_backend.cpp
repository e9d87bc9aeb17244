#include "device/linux_hid_backend.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "device/report_descriptor.h"

namespace tavrinex::device {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadWholeFile(const std::string& file, std::size_t limit) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  data.resize(limit + 1);
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got > limit) return std::nullopt;  // larger than anything sane: not ours to parse
  data.resize(got);
  return data;
}

std::optional<std::uint16_t> ParseHex16(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size() || value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

// "hidraw10" sorts after "hidraw9", as udev lists them.
bool NaturalLess(const std::string& a, const std::string& b) {
  const auto digits = [](const std::string& s) {
    return s.size() - static_cast<std::size_t>(std::distance(
                          s.rbegin(), std::find_if(s.rbegin(), s.rend(),
                                                   [](char c) { return c < '0' || c > '9'; })));
  };
  const std::size_t da = digits(a);
  const std::size_t db = digits(b);
  if (a.compare(0, da, b, 0, db) != 0) return a < b;
  if (a.size() - da != b.size() - db) return a.size() - da < b.size() - db;
  return a < b;
}

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};

}  // namespace

std::optional<std::pair<std::uint16_t, std::uint16_t>> ParseHidId(const std::string& uevent) {
  std::istringstream lines(uevent);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("HID_ID=", 0) != 0) continue;
    // bus:vendor:product, each in hex, vendor and product 8 digits wide.
    std::string_view v(line);
    v.remove_prefix(7);
    const auto c1 = v.find(':');
    const auto c2 = v.find(':', c1 == std::string_view::npos ? c1 : c1 + 1);
    if (c1 == std::string_view::npos || c2 == std::string_view::npos) return std::nullopt;
    const auto vendor = ParseHex16(v.substr(c1 + 1, c2 - c1 - 1));
    const auto product = ParseHex16(v.substr(c2 + 1));
    if (!vendor || !product) return std::nullopt;
    return std::make_pair(*vendor, *product);
  }
  return std::nullopt;
}

std::string LinuxHidBackend::DeviceDir(const std::string& nodeName) const {
  return options_.sysfsRoot + "/class/hidraw/" + nodeName + "/device";
}

std::mutex& LibudevLock() {
  static std::mutex lock;
  return lock;
}

std::optional<std::vector<LinuxHidBackend::Node>> LinuxHidBackend::ListNodes() const {
  return options_.sysfsRoot == "/sys" ? ListNodesWithUdev() : ListNodesInTree();
}

std::optional<std::vector<LinuxHidBackend::Node>> LinuxHidBackend::ListNodesWithUdev() const {
  const std::lock_guard guard(LibudevLock());
  std::unique_ptr<udev, UdevDeleter> context(udev_new());
  if (!context) return std::nullopt;
  std::unique_ptr<udev_enumerate, UdevDeleter> e(udev_enumerate_new(context.get()));
  if (!e || udev_enumerate_add_match_subsystem(e.get(), "hidraw") < 0 ||
      udev_enumerate_scan_devices(e.get()) < 0) {
    return std::nullopt;
  }
  std::vector<Node> nodes;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
    std::unique_ptr<udev_device, UdevDeleter> dev(
        udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!dev) continue;  // gone since the scan
    const char* name = udev_device_get_sysname(dev.get());
    const char* node = udev_device_get_devnode(dev.get());
    if (name == nullptr || node == nullptr) continue;
    nodes.push_back({name, node});
  }
  return nodes;
}

std::optional<std::vector<LinuxHidBackend::Node>> LinuxHidBackend::ListNodesInTree() const {
  std::error_code ec;
  fs::directory_iterator it(options_.sysfsRoot + "/class/hidraw", ec);
  if (ec) return std::nullopt;
  std::vector<Node> nodes;
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    nodes.push_back({name, options_.devRoot + "/" + name});
  }
  std::sort(nodes.begin(), nodes.end(),
            [](const Node& a, const Node& b) { return NaturalLess(a.name, b.name); });
  return nodes;
}

bool LinuxHidBackend::Enumerate(const std::function<void(HidInterfaceInfo)>& visit) {
  const auto nodes = ListNodes();
  if (!nodes) return false;
  for (const Node& node : *nodes) {
    const std::string dir = DeviceDir(node.name);
    HidInterfaceInfo info{node.devnode, 0, 0, 0, 0, {}, {}};
    if (const auto uevent = ReadWholeFile(dir + "/uevent", 64 * 1024)) {
      if (const auto ids = ParseHidId(*uevent)) std::tie(info.vendorId, info.productId) = *ids;
    }
    ReportDescriptor descriptor;
    const auto bytes = ReadWholeFile(dir + "/report_descriptor", kMaxDescriptorBytes);
    if (!bytes || !ParseReportDescriptor(
                      std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()),
                      descriptor)) {
      visit(info);  // listed all the same; it will not match anything
      continue;
    }
    for (std::size_t i = 0; i < descriptor.collections.size(); ++i) {
      info.usagePage = descriptor.collections[i].usagePage;
      info.usage = descriptor.collections[i].usage;
      CollectionReports reports = ReportsOf(descriptor, i);
      info.inputReportIds = std::move(reports.inputReportIds);
      info.outputReportIds = std::move(reports.outputReportIds);
      visit(info);
    }
  }
  return true;
}

std::optional<OpenedInterface> LinuxHidBackend::Open(const std::string& path,
                                                     const HidOpenFlags& flags) {
  int access = O_RDONLY;
  if (flags.write) access = flags.read ? O_RDWR : O_WRONLY;
  // Reads always wait in poll(), so the fd itself never blocks a reader.
  OpenedInterface opened;
  opened.fd.Reset(::open(path.c_str(), access | O_NONBLOCK | O_CLOEXEC));
  if (!opened.fd.Valid()) return std::nullopt;
  if (flags.exclusive || flags.write) {
    const int lock = flags.exclusive ? LOCK_EX : LOCK_SH;
    if (::flock(opened.fd.Get(), lock | LOCK_NB) != 0) return std::nullopt;
  }
  opened.writeStyle = WriteStyle::kBlocking;
  opened.writesZeroReportId = true;

  const std::string name = fs::path(path).filename().string();
  const std::string dir = DeviceDir(name);
  const auto uevent = ReadWholeFile(dir + "/uevent", 64 * 1024);
  const auto ids = uevent ? ParseHidId(*uevent) : std::nullopt;
  if (ids) {
    std::tie(opened.vendorId, opened.productId) = *ids;
  } else {
    hidraw_devinfo info{};
    if (::ioctl(opened.fd.Get(), HIDIOCGRAWINFO, &info) != 0) return std::nullopt;
    opened.vendorId = static_cast<std::uint16_t>(info.vendor);
    opened.productId = static_cast<std::uint16_t>(info.product);
  }
  if (const auto bytes = ReadWholeFile(dir + "/report_descriptor", kMaxDescriptorBytes)) {
    opened.reportDescriptor.assign(bytes->begin(), bytes->end());
  } else {
    hidraw_report_descriptor rd{};
    int size = 0;
    if (::ioctl(opened.fd.Get(), HIDIOCGRDESCSIZE, &size) != 0 || size <= 0 ||
        size > HID_MAX_DESCRIPTOR_SIZE) {
      return std::nullopt;
    }
    rd.size = static_cast<std::uint32_t>(size);
    if (::ioctl(opened.fd.Get(), HIDIOCGRDESC, &rd) != 0) return std::nullopt;
    opened.reportDescriptor.assign(rd.value, rd.value + rd.size);
  }
  return opened;
}

bool LinuxHidBackend::ProbePresence(const std::string& path) {
  const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace tavrinex::device
