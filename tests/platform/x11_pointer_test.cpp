// The X11 backend against a private X server (ctest runs this under xvfb-run). Xvfb's pointers
// have no libinput driver, so the test gives its XTEST pointer the driver's property itself.
// gtest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
// clang-format on

#include <cstdlib>
#include <cstring>

#include "platform/pointer_backends.h"

namespace tavrinex::platform {
namespace {

class X11PointerTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || (display_ = XOpenDisplay(name)) == nullptr) GTEST_SKIP() << "no X server";
    displayName_ = name;
  }
  void TearDown() override {
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  int XtestPointer() {
    int count = 0;
    int id = -1;
    XIDeviceInfo* devices = XIQueryDevice(display_, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
      if (devices[i].use == XISlavePointer) id = devices[i].deviceid;
    }
    XIFreeDeviceInfo(devices);
    return id;
  }
  float Read(int device, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    float value = -99;
    if (XIGetProperty(display_, device, property, 0, 1, False, AnyPropertyType, &type, &format,
                      &items, &after, &data) == Success && items == 1 && format == 32) {
      std::memcpy(&value, data, sizeof value);
    }
    XFree(data);
    return value;
  }

  Display* display_ = nullptr;
  std::string displayName_;
};

TEST_F(X11PointerTest, NoBackendWhileNoPointerHasTheLibinputProperty) {
  EXPECT_EQ(MakeX11PointerBackend(displayName_), nullptr);
  EXPECT_EQ(MakeX11PointerBackend(""), nullptr);
}

TEST_F(X11PointerTest, SpeedSetsTheAccelSpeedOfEveryPointerThatHasIt) {
  const int pointer = XtestPointer();
  ASSERT_GE(pointer, 0);
  const Atom accel = XInternAtom(display_, "libinput Accel Speed", False);
  const Atom floatType = XInternAtom(display_, "FLOAT", False);
  float zero = 0;
  XIChangeProperty(display_, pointer, accel, floatType, 32, PropModeReplace,
                   reinterpret_cast<unsigned char*>(&zero), 1);
  XSync(display_, False);

  auto backend = MakeX11PointerBackend(displayName_);
  ASSERT_NE(backend, nullptr);
  EXPECT_EQ(backend->Name(), "x11-libinput");
  EXPECT_FALSE(backend->OffersWheelLines());
  ASSERT_TRUE(backend->ApplySpeed(20));
  EXPECT_FLOAT_EQ(Read(pointer, accel), 1.0F);
  ASSERT_TRUE(backend->ApplySpeed(12));
  EXPECT_FLOAT_EQ(Read(pointer, accel), 0.2F);
  XIDeleteProperty(display_, pointer, accel);
  XSync(display_, False);
}

}  // namespace
}  // namespace tavrinex::platform
