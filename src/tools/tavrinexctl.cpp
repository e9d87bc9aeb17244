// Command-line tool for the devices: lists them now; later subcommands read and change them.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_ids.h"
#include "device/hid_path_list.h"
#include "tools/ctl_device.h"
#include "tools/ctl_keys.h"
#include "tools/ctl_profile.h"
#include "tools/ctl_render.h"
#include "tools/ctl_sim.h"
#include "tools/info_command.h"

namespace {

using tavrinex::device::HidBackend;

constexpr const char* kUsage =
    "usage: tavrinexctl <command> [options]\n"
    "\n"
    "commands:\n"
    "  devices [--simulate]   list the HID interfaces of vendor 0C45 (from hidraw, or from\n"
    "                         the simulated keyboard, mouse and mouse pad)\n"
    "  info kb|ms|mp [--simulate]\n"
    "                         synchronise one device (or its simulation) and print its\n"
    "                         image: info block, active profile, current record, key slots\n"
    "  keys kb|ms [--page P] [--simulate] [--folder DIR]\n"
    "                         synchronise the device (or its simulation) and print the key\n"
    "                         slots of a page with their positions and function names\n"
    "  keys set kb|ms SLOT FUNCTION [--page P] [--simulate]\n"
    "                         write one key slot of a page (FUNCTION: kind,param1,param2 in\n"
    "                         hex, or a key name of the tables)\n"
    "  macro-blob kb|ms [--folder DIR] [--capacity-units N]\n"
    "                         print the macro area a macro library would send, in hex, or\n"
    "                         the number of actions to remove when it does not fit\n"
    "  profile show|check FILE\n"
    "                         decode a profile file (.pro, .led), or say why it is invalid\n"
    "  profile history|restore kb|ms|mp NAME [VERSION]\n"
    "                         list the earlier versions the program kept of a profile, or\n"
    "                         bring one back (the replaced file is kept in turn)\n"
    "  render kb|ms|mp --record HEX42 [--frames N] [--custom-set FILE]\n"
    "                         run the device's lighting effect for a record and print\n"
    "                         each LED frame in hex\n"
    "  sim plug|unplug kb|ms|mp\n"
    "                         plug or unplug a simulated device in the running\n"
    "                         tavrinex --simulate of this user\n";

const char* ProductName(std::uint16_t product) {
  switch (product) {
    case tavrinex::device::kKeyboardProductId: return "keyboard";
    case tavrinex::device::kMouseProductId: return "mouse";
    case tavrinex::device::kMousePadProductId: return "mouse pad";
    default: return "other";
  }
}

std::string IdList(const std::vector<std::uint8_t>& ids) {
  if (ids.empty()) return "-";
  std::string out;
  for (const std::uint8_t id : ids) out += (out.empty() ? "" : ",") + std::to_string(id);
  return out;
}

int ListDevices(HidBackend& backend) {
  tavrinex::device::HidPathList list;
  if (!tavrinex::device::EnumerateHidPaths(backend, list)) {
    std::fprintf(stderr, "tavrinexctl: cannot list the HID interfaces\n");
    return 1;
  }
  int shown = 0;
  // One line per top-level collection: a node that carries several shows each, with the
  // report ids by which its reports are told apart.
  std::printf("%-8s %-10s %-10s %-6s %-9s %-10s %s\n", "product", "device", "usagepage", "usage",
              "input-ids", "output-ids", "path");
  for (const auto& info : list.Entries()) {
    if (info.vendorId != tavrinex::device::kVendorId) continue;
    std::printf("%04X     %-10s 0x%04X     0x%04X %-9s %-10s %s\n", info.productId,
                ProductName(info.productId), info.usagePage, info.usage,
                IdList(info.inputReportIds).c_str(), IdList(info.outputReportIds).c_str(),
                info.path.c_str());
    ++shown;
  }
  if (shown == 0) std::printf("(no interface of vendor 0C45 found)\n");
  return 0;
}

int Devices(const std::vector<std::string_view>& args) {
  bool simulate = false;
  for (const auto arg : args) {
    if (arg == "--simulate") {
      simulate = true;
    } else {
      std::fprintf(stderr, "tavrinexctl devices: unknown option '%.*s'\n%s",
                   static_cast<int>(arg.size()), arg.data(), kUsage);
      return 2;
    }
  }
  return tavrinex::tools::OnDevices(simulate, ListDevices);
}

struct Subcommand {
  std::string_view name;
  int (*run)(const std::vector<std::string_view>& args);
};

constexpr Subcommand kSubcommands[] = {
    {"devices", Devices},
    {"info", tavrinex::tools::InfoCommand},
    {"keys", tavrinex::tools::KeysCommand},
    {"macro-blob", tavrinex::tools::MacroBlobCommand},
    {"profile", tavrinex::tools::ProfileCommand},
    {"render", tavrinex::tools::RenderCommand},
    {"sim", tavrinex::tools::SimCommand},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h") {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string_view command = argv[1];
  const std::vector<std::string_view> args(argv + 2, argv + argc);
  for (const auto& sub : kSubcommands) {
    if (sub.name == command) return sub.run(args);
  }
  std::fprintf(stderr, "tavrinexctl: unknown command '%s'\n%s", argv[1], kUsage);
  return 2;
}
