// The KDE backend against a private session bus with a stand-in for KWin's input devices.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/pointer_backends.h"
#include "private_bus.h"
#include "storage/atomic_file.h"
#include "temp_folder.h"

namespace tavrinex::platform {
namespace {

constexpr const char* kIntrospection = R"(<node>
  <interface name="org.kde.KWin.InputDeviceManager">
    <property name="devicesSysNames" type="as" access="read"/>
  </interface>
  <interface name="org.kde.KWin.InputDevice">
    <property name="pointer" type="b" access="read"/>
    <property name="pointerAcceleration" type="d" access="readwrite"/>
  </interface>
</node>)";

class FakeKWin : public test::BusService {
 public:
  struct Device {
    std::string sysName;
    bool pointer = false;
    double acceleration = 0;
    int writes = 0;
    FakeKWin* owner = nullptr;
  };

  FakeKWin(const std::string& address, std::vector<Device> devices)
      : BusService(address), devices_(std::move(devices)), info_(g_dbus_node_info_new_for_xml(kIntrospection, nullptr)) {
    for (auto& device : devices_) device.owner = this;
    InContext([this] {
      static const GDBusInterfaceVTable vtable = {nullptr, &FakeKWin::GetProperty, &FakeKWin::SetProperty, {}};
      g_dbus_connection_register_object(Connection(), "/org/kde/KWin/InputDevice", info_->interfaces[0],
                                        &vtable, this, nullptr, nullptr);
      for (auto& device : devices_) {
        g_dbus_connection_register_object(Connection(), ("/org/kde/KWin/InputDevice/" + device.sysName).c_str(),
                                          info_->interfaces[1], &vtable, &device, nullptr, nullptr);
      }
      g_dbus_connection_signal_subscribe(Connection(), nullptr, "org.kde.KGlobalSettings", "notifyChange",
                                         "/KGlobalSettings", nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                         &FakeKWin::OnNotify, this, nullptr);
    });
  }
  ~FakeKWin() override {
    Stop();
    g_dbus_node_info_unref(info_);
  }
  FakeKWin(const FakeKWin&) = delete;
  FakeKWin& operator=(const FakeKWin&) = delete;

  Device DeviceCopy(std::size_t i) {
    const std::lock_guard lock(mutex_);
    return devices_[i];
  }
  std::vector<std::pair<int, int>> Notified() {
    const std::lock_guard lock(mutex_);
    return notified_;
  }

 private:
  static GVariant* GetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                               const gchar* property, GError**, gpointer data) {
    const std::string name = property;
    if (name == "devicesSysNames") {
      auto* self = static_cast<FakeKWin*>(data);
      std::vector<const gchar*> names;
      for (const auto& d : self->devices_) names.push_back(d.sysName.c_str());
      return g_variant_new_strv(names.data(), static_cast<gssize>(names.size()));
    }
    auto* device = static_cast<Device*>(data);
    const std::lock_guard lock(device->owner->mutex_);
    if (name == "pointer") return g_variant_new_boolean(device->pointer ? TRUE : FALSE);
    return g_variant_new_double(device->acceleration);
  }
  static gboolean SetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                              const gchar*, GVariant* value, GError**, gpointer data) {
    auto* device = static_cast<Device*>(data);
    const std::lock_guard lock(device->owner->mutex_);
    device->acceleration = g_variant_get_double(value);
    ++device->writes;
    return TRUE;
  }
  static void OnNotify(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant* parameters, gpointer data) {
    auto* self = static_cast<FakeKWin*>(data);
    gint type = 0;
    gint arg = 0;
    g_variant_get(parameters, "(ii)", &type, &arg);
    const std::lock_guard lock(self->mutex_);
    self->notified_.emplace_back(type, arg);
  }

  std::mutex mutex_;  // the test reads what the service's thread wrote
  std::vector<Device> devices_;
  std::vector<std::pair<int, int>> notified_;
  GDBusNodeInfo* info_;
};

class KdePointerTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    if (!bus.Running()) GTEST_SKIP() << "dbus-daemon could not be started";
  }
  std::string Read(const char* file) { return profiles::ReadWholeFile(Root() / file).bytes; }

  test::PrivateBus bus;
};

TEST_F(KdePointerTest, SpeedGoesToEveryPointerOfKWinAndNotToTheConfigFile) {
  FakeKWin kwin(bus.Address(), {{"event5", true}, {"event6", false}, {"event7", true}});
  ASSERT_TRUE(kwin.OwnName("org.kde.KWin"));
  kwin.Start();
  const auto backend = MakeKdePointerBackend(Root(), bus.Address());
  EXPECT_EQ(backend->Name(), "kde");
  ASSERT_TRUE(backend->ApplySpeed(20));
  kwin.Stop();
  EXPECT_DOUBLE_EQ(kwin.DeviceCopy(0).acceleration, 1.0);
  EXPECT_EQ(kwin.DeviceCopy(1).writes, 0) << "a keyboard has no pointer acceleration";
  EXPECT_DOUBLE_EQ(kwin.DeviceCopy(2).acceleration, 1.0);
  EXPECT_FALSE(std::filesystem::exists(Root() / "kcminputrc"));
}

TEST_F(KdePointerTest, WithoutKWinOrWithAHangingOneTheSpeedGoesToKcminputrc) {
  {
    const auto backend = MakeKdePointerBackend(Root(), bus.Address());
    ASSERT_TRUE(backend->ApplySpeed(1));
    EXPECT_EQ(Read("kcminputrc"), "[Mouse]\nXLbInptPointerAcceleration=-1\n");
  }
  // KWin owns its name but never answers: each call ends by its time-out.
  FakeKWin silent(bus.Address(), {{"event5", true}});
  ASSERT_TRUE(silent.OwnName("org.kde.KWin"));
  const auto backend = MakeKdePointerBackend(Root(), bus.Address());
  ASSERT_TRUE(backend->ApplySpeed(15));
  EXPECT_EQ(Read("kcminputrc"), "[Mouse]\nXLbInptPointerAcceleration=0.5\n");
  EXPECT_EQ(silent.DeviceCopy(0).writes, 0);
}

TEST_F(KdePointerTest, WheelLinesGoToKdeglobalsAndRunningProgramsAreTold) {
  ASSERT_TRUE(profiles::WriteFileAtomically(Root() / "kdeglobals", "[General]\nColorScheme=BreezeDark\n"));
  FakeKWin listener(bus.Address(), {});
  ASSERT_TRUE(listener.OwnName("org.example.Listener"));  // a round trip: the signal match is in place
  listener.Start();
  const auto backend = MakeKdePointerBackend(Root(), bus.Address());
  ASSERT_TRUE(backend->ApplyWheelLines(7));
  EXPECT_EQ(Read("kdeglobals"), "[General]\nColorScheme=BreezeDark\n\n[KDE]\nWheelScrollLines=7\n");
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (listener.Notified().empty() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(listener.Notified(), (std::vector<std::pair<int, int>>{{3, 0}}));
}

}  // namespace
}  // namespace tavrinex::platform
