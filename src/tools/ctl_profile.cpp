#include "tools/ctl_profile.h"

#include <cstdio>
#include <string>

#include "keys/key_code_tables.h"
#include "keys/key_layout_data.h"
#include "lighting/keyboard_geometry.h"
#include "lighting/lighting_model.h"
#include "profiles/profile_file.h"
#include "profiles/profile_inspect.h"

namespace tavrinex::tools {
namespace {

using device::DeviceKind;
using profiles::ProfileInspection;
using profiles::ProfileListKind;

constexpr const char* kProfileUsage =
    "usage: tavrinexctl profile show FILE    decode a key (.pro) or light (.led) profile file\n"
    "       tavrinexctl profile check FILE   exit 1 with the reason when FILE is no complete\n"
    "                                        profile file of a known kind\n"
    "       tavrinexctl profile history kb|ms|mp NAME\n"
    "       tavrinexctl profile restore kb|ms|mp NAME VERSION\n";

std::uint8_t At(const std::vector<std::uint8_t>& body, std::size_t i) {
  return i < body.size() ? body[i] : 0;
}

void HexLine(const char* label, const std::vector<std::uint8_t>& body, std::size_t from,
             std::size_t count) {
  std::printf("%s", label);
  for (std::size_t i = 0; i < count; ++i) std::printf(" %02X", At(body, from + i));
  std::printf("\n");
}

void ShowKeys(const std::vector<std::uint8_t>& body) {
  std::printf("key slots (slot: kind param1 param2  name), all-zero slots left out:\n");
  for (std::size_t slot = 0; slot < keys::kKeyBlockSize / keys::kKeySlotSize; ++slot) {
    const keys::KeyFunction f{At(body, 3 * slot), At(body, 3 * slot + 1), At(body, 3 * slot + 2)};
    if (f == keys::KeyFunction{}) continue;
    const auto name = keys::FunctionNameId(f);
    std::printf("  %3zu: %02X %02X %02X  %.*s\n", slot, f.kind, f.param1, f.param2,
                name ? static_cast<int>(name->text.size()) : 1, name ? name->text.data() : "-");
  }
  HexLine("trailing bytes 510-511:", body, 510, 2);
}

void ShowRecord(DeviceKind device, const std::vector<std::uint8_t>& body) {
  namespace rec = lighting::rec;
  std::printf("current record (bytes 0-20):\n");
  std::printf("  profile index %u, mode %u, brightness %u, speed %u, direction %u, multi-colour %u\n",
              At(body, rec::kProfileIndex), At(body, rec::kMode), At(body, rec::kBrightness),
              At(body, rec::kSpeed), At(body, rec::kDirection), At(body, rec::kMultiColour));
  std::printf("  colour %02X %02X %02X, breath cycle %u\n", At(body, rec::kRed),
              At(body, rec::kGreen), At(body, rec::kBlue), At(body, rec::kBreathCycle));
  if (device == DeviceKind::kMouse) {
    std::printf("  DPI colour %02X %02X %02X, report rate %u, DPI steps %u %u %u %u, active level %u, "
                "lift-off %u\n",
                At(body, rec::kDpiRed), At(body, rec::kDpiGreen), At(body, rec::kDpiBlue),
                At(body, rec::kReportRate), At(body, rec::kDpi1), At(body, rec::kDpi1 + 1),
                At(body, rec::kDpi1 + 2), At(body, rec::kDpi1 + 3), At(body, rec::kActiveDpiLevel),
                At(body, rec::kSensorHeight));
    std::printf("pointer speed %u, wheel lines %u (0 loads as 1)\n", At(body, 21), At(body, 22));
    HexLine("rest of slot 0 (23-63):", body, 23, 41);
  } else {
    HexLine("rest of slot 0 (21-63):", body, 21, 43);
  }
}

void ShowKeyboardLight(const std::vector<std::uint8_t>& body) {
  ShowRecord(DeviceKind::kKeyboard, body);
  std::printf("custom set %u, custom colour %02X %02X %02X\n", At(body, 64), At(body, 65),
              At(body, 66), At(body, 67));
  for (std::size_t s = 0; s < lighting::kCustomSetCount; ++s) {
    std::printf("custom colour set %zu (126 RGB triples):\n", s);
    const std::size_t base = 68 + lighting::kCustomSetSize * s;
    for (std::size_t led = 0; led < lighting::kKeyPositions; led += 8) {
      std::printf("  %3zu:", led);
      for (std::size_t k = led; k < led + 8 && k < lighting::kKeyPositions; ++k) {
        std::printf(" %02X%02X%02X", At(body, base + 3 * k), At(body, base + 3 * k + 1),
                    At(body, base + 3 * k + 2));
      }
      std::printf("\n");
    }
  }
}

void PrintHeader(const char* file, const ProfileInspection& r) {
  std::printf("file        %s\n", file);
  std::printf("size        %llu bytes\n", static_cast<unsigned long long>(r.fileSize));
  std::printf("device tag  %u\n", r.deviceTag);
  std::printf("reserved    %s\n", r.reservedZero ? "zero" : "not zero (ignored when read)");
  if (r.kind) {
    std::printf("kind        %s %s profile, body %zu bytes\n", profiles::DeviceName(r.kind->device),
                r.kind->list == ProfileListKind::kKey ? "key" : "light",
                profiles::BodySizeOf(r.kind->device, r.kind->list));
  }
}

int Show(const char* file) {
  const ProfileInspection r = profiles::InspectProfileFile(file);
  if (r.status != ProfileInspection::Status::kOpened) {
    std::fprintf(stderr, "tavrinexctl profile: %s: %s\n", file, r.problem.c_str());
    return 1;
  }
  PrintHeader(file, r);
  if (!r.kind) {
    std::printf("problem     %s\n", r.problem.c_str());
    HexLine("body (first 64 bytes):", r.body, 0, 64);
    return 1;
  }
  if (r.kind->list == ProfileListKind::kKey) {
    ShowKeys(r.body);
  } else if (r.kind->device == DeviceKind::kKeyboard) {
    ShowKeyboardLight(r.body);
  } else {
    ShowRecord(r.kind->device, r.body);
  }
  return 0;
}

int Check(const char* file) {
  const ProfileInspection r = profiles::InspectProfileFile(file);
  if (!r.problem.empty()) {
    std::fprintf(stderr, "%s: invalid: %s\n", file, r.problem.c_str());
    return 1;
  }
  std::printf("%s: valid %s %s profile%s\n", file, profiles::DeviceName(r.kind->device),
              r.kind->list == ProfileListKind::kKey ? "key" : "light",
              r.reservedZero ? "" : " (reserved header bytes not zero)");
  return 0;
}

}  // namespace

int ProfileCommand(const std::vector<std::string_view>& args) {
  if (!args.empty() && (args[0] == "history" || args[0] == "restore")) return ProfileHistoryCommand(args);
  if (args.size() != 2 || (args[0] != "show" && args[0] != "check")) {
    std::fputs(kProfileUsage, stderr);
    return 2;
  }
  const std::string file(args[1]);
  return args[0] == "show" ? Show(file.c_str()) : Check(file.c_str());
}

}  // namespace tavrinex::tools
