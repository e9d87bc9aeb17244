// The GNOME backend against a private GSettings setup: our own copy of the mouse schema compiled
// into a temporary folder and the keyfile backend, so the user's settings are never touched.
// GIO reads the schema folders once per process: ctest runs each test in a process of its own.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>

#include "platform/pointer_backends.h"
#include "storage/atomic_file.h"
#include "temp_folder.h"

namespace tavrinex::platform {
namespace {

constexpr const char* kSchema = R"(<schemalist>
  <schema id="org.gnome.desktop.peripherals.mouse" path="/org/gnome/desktop/peripherals/mouse/">
    <key name="speed" type="d"><range min="-1" max="1"/><default>0</default></key>
  </schema>
</schemalist>)";

class GnomePointerTest : public test::TempFolderTest {
 protected:
  void UseSchemaFolder(bool withMouseSchema) {
    const auto schemas = Root() / "schemas";
    std::filesystem::create_directories(schemas);
    if (withMouseSchema) {
      std::ofstream(schemas / "org.gnome.desktop.peripherals.gschema.xml") << kSchema;
      ASSERT_EQ(std::system(("glib-compile-schemas " + schemas.string()).c_str()), 0);
    }
    ::setenv("GSETTINGS_SCHEMA_DIR", schemas.c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (Root() / "none").c_str(), 1);  // no system schemas
    ::setenv("XDG_DATA_HOME", (Root() / "none").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (Root() / "config").c_str(), 1);
    ::setenv("GSETTINGS_BACKEND", "keyfile", 1);
  }
};

TEST_F(GnomePointerTest, SpeedIsWrittenToTheMouseSchemaAndWheelLinesAreNotOffered) {
  UseSchemaFolder(true);
  auto backend = MakeGnomePointerBackend();
  ASSERT_NE(backend, nullptr);
  EXPECT_EQ(backend->Name(), "gnome");
  EXPECT_TRUE(backend->OffersSpeed());
  EXPECT_FALSE(backend->OffersWheelLines());
  ASSERT_TRUE(backend->ApplySpeed(15));
  GSettings* settings = g_settings_new("org.gnome.desktop.peripherals.mouse");
  EXPECT_DOUBLE_EQ(g_settings_get_double(settings, "speed"), 0.5);
  g_object_unref(settings);
  ASSERT_TRUE(backend->ApplySpeed(1));
  // The keyfile backend keeps it on disk, where the desktop's own tools would see it.
  const std::string text = profiles::ReadWholeFile(Root() / "config/glib-2.0/settings/keyfile").bytes;
  EXPECT_NE(text.find("speed=-1"), std::string::npos) << text;
}

TEST_F(GnomePointerTest, AMissingSchemaGivesNoBackendInsteadOfEndingTheProcess) {
  UseSchemaFolder(false);
  EXPECT_EQ(MakeGnomePointerBackend(), nullptr);
  DesktopSession session;
  session.currentDesktop = "ubuntu:GNOME";
  session.sessionType = "wayland";
  EXPECT_EQ(ChoosePointerSettingsBackend(session)->Name(), "none");
}

}  // namespace
}  // namespace tavrinex::platform
