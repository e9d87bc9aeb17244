// On X11 without a desktop settings service, libinput's driver takes the pointer speed as the
// device property "libinput Accel Speed" (one float, -1..1) on each pointer device. The value
// lasts for the X session; the profile applies it again when it is selected.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstring>
#include <vector>

#include "platform/pointer_backends.h"

namespace tavrinex::platform {

namespace {

constexpr const char* kAccelSpeed = "libinput Accel Speed";

// A device that goes away between the query and the change raises an X error; Xlib's default
// handler would end the process.
int IgnoreXError(Display* /*display*/, XErrorEvent* /*event*/) { return 0; }

std::vector<int> DevicesWithProperty(Display* display, Atom property) {
  std::vector<int> ids;
  int count = 0;
  XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
  for (int i = 0; i < count; ++i) {
    if (devices[i].use != XISlavePointer) continue;
    int propertyCount = 0;
    Atom* properties = XIListProperties(display, devices[i].deviceid, &propertyCount);
    for (int p = 0; p < propertyCount; ++p) {
      if (properties[p] == property) {
        ids.push_back(devices[i].deviceid);
        break;
      }
    }
    XFree(properties);
  }
  XIFreeDeviceInfo(devices);
  return ids;
}

class X11PointerBackend final : public PointerSettingsBackend {
 public:
  X11PointerBackend(Display* display, Atom property)
      : display_(display), property_(property), float_(XInternAtom(display, "FLOAT", False)) {}
  ~X11PointerBackend() override { XCloseDisplay(display_); }
  X11PointerBackend(const X11PointerBackend&) = delete;
  X11PointerBackend& operator=(const X11PointerBackend&) = delete;

  [[nodiscard]] std::string_view Name() const override { return "x11-libinput"; }
  [[nodiscard]] bool OffersSpeed() const override { return true; }
  [[nodiscard]] bool OffersWheelLines() const override { return false; }

  bool ApplySpeed(int speed) override {
    const float value = static_cast<float>(PointerSpeedToAcceleration(speed));
    std::uint32_t word = 0;  // XI2 properties of format 32 are 32-bit items
    static_assert(sizeof word == sizeof value);
    std::memcpy(&word, &value, sizeof word);
    const auto ids = DevicesWithProperty(display_, property_);
    for (const int id : ids) {
      XIChangeProperty(display_, id, property_, float_, 32, PropModeReplace,
                       reinterpret_cast<unsigned char*>(&word), 1);
    }
    XSync(display_, False);
    return !ids.empty();
  }
  bool ApplyWheelLines(int /*lines*/) override { return false; }

 private:
  Display* display_;
  Atom property_;
  Atom float_;
};

}  // namespace

std::unique_ptr<PointerSettingsBackend> MakeX11PointerBackend(const std::string& display) {
  if (display.empty()) return nullptr;
  Display* x = XOpenDisplay(display.c_str());
  if (x == nullptr) return nullptr;
  int opcode = 0;
  int event = 0;
  int error = 0;
  int major = 2;
  int minor = 0;
  const Atom property = XInternAtom(x, kAccelSpeed, True);  // None: no driver made it
  if (!XQueryExtension(x, "XInputExtension", &opcode, &event, &error) ||
      XIQueryVersion(x, &major, &minor) != Success || property == None ||
      DevicesWithProperty(x, property).empty()) {
    XCloseDisplay(x);
    return nullptr;
  }
  XSetErrorHandler(IgnoreXError);
  return std::make_unique<X11PointerBackend>(x, property);
}

}  // namespace tavrinex::platform
