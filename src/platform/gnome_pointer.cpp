// GSettings writes go through the desktop's settings service (dconf), which sends them on its
// own and takes the replies in the default main context, the one the window's event loop runs.
// No g_settings_sync: it waits for the service without a time-out, and a hanging service must
// never hold the settings worker (nor the shutdown that waits for it).
#include <gio/gio.h>

#include "platform/pointer_backends.h"

namespace tavrinex::platform {

namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";

class GnomePointerBackend final : public PointerSettingsBackend {
 public:
  GnomePointerBackend() : settings_(g_settings_new(kMouseSchema)) {}
  ~GnomePointerBackend() override { g_object_unref(settings_); }
  GnomePointerBackend(const GnomePointerBackend&) = delete;
  GnomePointerBackend& operator=(const GnomePointerBackend&) = delete;

  [[nodiscard]] std::string_view Name() const override { return "gnome"; }
  [[nodiscard]] bool OffersSpeed() const override { return true; }
  [[nodiscard]] bool OffersWheelLines() const override { return false; }
  bool ApplySpeed(int speed) override {
    return g_settings_set_double(settings_, "speed", PointerSpeedToAcceleration(speed)) != 0;
  }
  bool ApplyWheelLines(int /*lines*/) override { return false; }

 private:
  GSettings* settings_;
};

}  // namespace

std::unique_ptr<PointerSettingsBackend> MakeGnomePointerBackend() {
  // g_settings_new aborts the process on an unknown schema: look it up first.
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return nullptr;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, kMouseSchema, TRUE);
  if (schema == nullptr) return nullptr;
  const bool hasSpeed = g_settings_schema_has_key(schema, "speed") != 0;
  g_settings_schema_unref(schema);
  if (!hasSpeed) return nullptr;
  return std::make_unique<GnomePointerBackend>();
}

}  // namespace tavrinex::platform
