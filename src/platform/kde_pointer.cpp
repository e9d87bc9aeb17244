// KWin exposes every input device at /org/kde/KWin/InputDevice/<sysname>; setting a pointer's
// "pointerAcceleration" there takes effect at once. Without KWin on the bus (Plasma on X11),
// kcminputrc carries the acceleration that Plasma applies. Wheel lines live in kdeglobals;
// KDE programs reread them on KGlobalSettings' notifyChange(SettingsChanged, mouse).
#include <gio/gio.h>

#include <array>
#include <charconv>
#include <string>
#include <vector>

#include "platform/kde_config.h"
#include "platform/pointer_backends.h"

namespace tavrinex::platform {

namespace {

constexpr const char* kKWin = "org.kde.KWin";
constexpr const char* kDeviceRoot = "/org/kde/KWin/InputDevice";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr int kCallTimeoutMs = 1000;  // a hanging desktop service must not hold the worker long
constexpr int kSettingsChanged = 3;
constexpr int kMouseSettings = 0;

std::string Decimal(double v) {
  std::array<char, 32> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), v);
  return {text.data(), result.ptr};
}

GDBusConnection* Connect(const std::string& address) {
  GError* error = nullptr;
  GDBusConnection* bus =
      address.empty()
          ? g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error)
          : g_dbus_connection_new_for_address_sync(
                address.c_str(),
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  return bus;
}

class KdePointerBackend final : public PointerSettingsBackend {
 public:
  KdePointerBackend(std::filesystem::path configHome, std::string busAddress)
      : configHome_(std::move(configHome)), busAddress_(std::move(busAddress)) {}
  ~KdePointerBackend() override {
    if (bus_ != nullptr) g_object_unref(bus_);
  }
  KdePointerBackend(const KdePointerBackend&) = delete;
  KdePointerBackend& operator=(const KdePointerBackend&) = delete;

  [[nodiscard]] std::string_view Name() const override { return "kde"; }
  [[nodiscard]] bool OffersSpeed() const override { return true; }
  [[nodiscard]] bool OffersWheelLines() const override { return true; }

  bool ApplySpeed(int speed) override {
    const double acceleration = PointerSpeedToAcceleration(speed);
    if (SetOnEveryPointer(acceleration) > 0) return true;
    return SetKdeConfigValue(configHome_ / "kcminputrc", "Mouse", "XLbInptPointerAcceleration",
                             Decimal(acceleration));
  }

  bool ApplyWheelLines(int lines) override {
    if (!SetKdeConfigValue(configHome_ / "kdeglobals", "KDE", "WheelScrollLines",
                           std::to_string(lines))) {
      return false;
    }
    if (GDBusConnection* bus = Bus()) {
      (void)g_dbus_connection_emit_signal(bus, nullptr, "/KGlobalSettings", "org.kde.KGlobalSettings",
                                          "notifyChange",
                                          g_variant_new("(ii)", kSettingsChanged, kMouseSettings),
                                          nullptr);
      (void)g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    }
    return true;
  }

 private:
  GDBusConnection* Bus() {
    if (bus_ == nullptr) bus_ = Connect(busAddress_);
    return bus_;
  }

  // A property read or write on KWin; nullptr on any failure (no KWin, time-out, refused).
  GVariant* Call(const std::string& path, const char* method, GVariant* args) {
    GDBusConnection* bus = Bus();
    if (bus == nullptr) {
      g_variant_unref(g_variant_ref_sink(args));
      return nullptr;
    }
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, kKWin, path.c_str(), kProperties, method, args,
                                                  nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                                  kCallTimeoutMs, nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return reply;
  }

  std::vector<std::string> DeviceNames() {
    std::vector<std::string> names;
    GVariant* reply = Call(kDeviceRoot, "Get",
                           g_variant_new("(ss)", "org.kde.KWin.InputDeviceManager", "devicesSysNames"));
    if (reply == nullptr) return names;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
      gsize count = 0;
      const gchar** list = g_variant_get_strv(value, &count);
      for (gsize i = 0; i < count; ++i) names.emplace_back(list[i]);
      g_free(static_cast<gpointer>(list));
    }
    g_variant_unref(value);
    g_variant_unref(reply);
    return names;
  }

  bool IsPointer(const std::string& path) {
    GVariant* reply = Call(path, "Get", g_variant_new("(ss)", "org.kde.KWin.InputDevice", "pointer"));
    if (reply == nullptr) return false;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    const bool pointer = g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) &&
                         g_variant_get_boolean(value) != 0;
    g_variant_unref(value);
    g_variant_unref(reply);
    return pointer;
  }

  int SetOnEveryPointer(double acceleration) {
    int set = 0;
    for (const auto& name : DeviceNames()) {
      const std::string path = std::string(kDeviceRoot) + "/" + name;
      if (!IsPointer(path)) continue;
      GVariant* reply = Call(path, "Set",
                             g_variant_new("(ssv)", "org.kde.KWin.InputDevice", "pointerAcceleration",
                                           g_variant_new_double(acceleration)));
      if (reply != nullptr) {
        g_variant_unref(reply);
        ++set;
      }
    }
    return set;
  }

  std::filesystem::path configHome_;
  std::string busAddress_;
  GDBusConnection* bus_ = nullptr;
};

}  // namespace

std::unique_ptr<PointerSettingsBackend> MakeKdePointerBackend(const std::filesystem::path& configHome,
                                                              const std::string& busAddress) {
  return std::make_unique<KdePointerBackend>(configHome, busAddress);
}

}  // namespace tavrinex::platform
