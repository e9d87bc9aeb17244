#include "tools/ctl_render.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "lighting/render_session.h"
#include "tools/ctl_device.h"

namespace tavrinex::tools {

namespace {

using device::DeviceKind;
using lighting::CustomColours;

constexpr const char* kRenderUsage =
    "usage: tavrinexctl render kb|ms|mp --record HEX42 [--frames N] [--custom-set FILE]\n"
    "  runs the device's effect from the state its mode selection leaves and prints each\n"
    "  LED frame as one line of hex; --custom-set takes the custom colour sets of a keyboard\n"
    "  light profile (.led)\n";

// Keyboard light profile: a 16-byte header starting AA 55, then the body: slot image (64),
// customSet (1), customColour (3), the five custom sets (1890). A short body reads as zeros.
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kBodyCustomSet = 64;
constexpr std::size_t kBodyCustomColour = 65;
constexpr std::size_t kBodySets = 68;
constexpr std::size_t kBodySize = kBodySets + sizeof(lighting::CustomColourSets);
static_assert(kBodySize == 1958);

std::optional<CustomColours> ReadKeyboardLightProfile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(kHeaderSize + kBodySize, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.gcount() < 2 || static_cast<unsigned char>(bytes[0]) != 0xAA ||
      static_cast<unsigned char>(bytes[1]) != 0x55) {
    return std::nullopt;
  }
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[kHeaderSize + i]); };
  CustomColours c;
  c.customSet = at(kBodyCustomSet);
  c.customColour = {at(kBodyCustomColour), at(kBodyCustomColour + 1), at(kBodyCustomColour + 2)};
  for (std::size_t i = 0; i < c.sets.size(); ++i) c.sets[i] = at(kBodySets + i);
  return c;
}

std::optional<lighting::CurrentRecord> ParseRecord(std::string_view hex) {
  lighting::CurrentRecord r{};
  if (hex.size() != 2 * r.size()) return std::nullopt;
  for (std::size_t i = 0; i < r.size(); ++i) {
    const char* first = hex.data() + 2 * i;
    const auto [end, ec] = std::from_chars(first, first + 2, r[i], 16);
    if (ec != std::errc{} || end != first + 2) return std::nullopt;
  }
  return r;
}

int Fail(const char* what) {
  std::fprintf(stderr, "tavrinexctl render: %s\n%s", what, kRenderUsage);
  return 2;
}

void PrintHex(std::span<const std::uint8_t> frame) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string line;
  line.reserve(2 * frame.size() + 1);
  for (const std::uint8_t b : frame) {
    line.push_back(kDigits[b >> 4]);
    line.push_back(kDigits[b & 0x0F]);
  }
  line.push_back('\n');
  std::fputs(line.c_str(), stdout);
}

}  // namespace

int RenderCommand(const std::vector<std::string_view>& args) {
  if (args.empty()) return Fail("which device?");
  const auto kind = ParseKind(args[0]);
  if (!kind) return Fail("the device is kb, ms or mp");
  lighting::RenderSession session;
  session.kind = *kind;
  std::optional<lighting::CurrentRecord> record;
  std::size_t frames = 1;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--record" && hasValue) {
      record = ParseRecord(args[++i]);
      if (!record) return Fail("--record takes the 21 record bytes as 42 hex digits");
    } else if (a == "--frames" && hasValue) {
      const std::string_view v = args[++i];
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), frames);
      if (ec != std::errc{} || end != v.data() + v.size()) return Fail("--frames takes a number");
    } else if (a == "--custom-set" && hasValue) {
      const auto custom = ReadKeyboardLightProfile(std::string(args[++i]));
      if (!custom) return Fail("--custom-set: not a readable profile file");
      session.custom = *custom;
    } else {
      return Fail("unknown option or missing value");
    }
  }
  if (!record) return Fail("--record is required");
  session.record = *record;
  if (lighting::DependsOnTimeOrInput(*kind, session.record[lighting::rec::kMode])) {
    return Fail("this mode depends on time or input and cannot be rendered offline");
  }
  const std::size_t rendered = lighting::RenderFrames(session, frames, PrintHex);
  if (rendered < frames) {
    std::fprintf(stderr, "tavrinexctl render: mode %u draws nothing\n", session.record[lighting::rec::kMode]);
  }
  return 0;
}

}  // namespace tavrinex::tools
