// The KWin source against a stand-in for KWin's scripting interface on a private session bus.
// The stand-in "runs" a loaded script the way KWin would: it calls the script's target with the
// process id of the window it pretends is active.
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "foreground_test_support.h"
#include "platform/foreground.h"
#include "private_bus.h"
#include "storage/atomic_file.h"

namespace tavrinex::platform {
namespace {

constexpr const char* kIntrospection = R"(<node>
  <interface name="org.kde.kwin.Scripting">
    <method name="loadScript"><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="i" direction="out"/></method>
    <method name="unloadScript"><arg type="s" direction="in"/><arg type="b" direction="out"/></method>
  </interface>
  <interface name="org.kde.kwin.Script"><method name="run"/></interface>
</node>)";

class FakeKWinScripting : public test::BusService {
 public:
  explicit FakeKWinScripting(const std::string& address)
      : BusService(address), info_(g_dbus_node_info_new_for_xml(kIntrospection, nullptr)) {
    InContext([this] {
      static const GDBusInterfaceVTable vtable = {&FakeKWinScripting::OnMethod, nullptr, nullptr, {}};
      g_dbus_connection_register_object(Connection(), "/Scripting", info_->interfaces[0], &vtable, this,
                                        nullptr, nullptr);
      g_dbus_connection_register_object(Connection(), "/Scripting/Script0", info_->interfaces[1], &vtable,
                                        this, nullptr, nullptr);
    });
  }
  ~FakeKWinScripting() override {
    Stop();
    g_dbus_node_info_unref(info_);
  }
  FakeKWinScripting(const FakeKWinScripting&) = delete;
  FakeKWinScripting& operator=(const FakeKWinScripting&) = delete;

  // The window of process `pid` becomes active: the running script reports it.
  void Activate(int pid) {
    std::string target;
    {
      const std::lock_guard lock(mutex_);
      activePid_ = pid;
      target = running_ ? target_ : "";
    }
    if (!target.empty()) Report(target, pid);
  }
  bool ReleaseName() { return CallDaemon("ReleaseName"); }
  int Loads() {
    const std::lock_guard lock(mutex_);
    return loads_;
  }
  int Unloads() {
    const std::lock_guard lock(mutex_);
    return unloads_;
  }
  std::string Plugin() {
    const std::lock_guard lock(mutex_);
    return plugin_;
  }

 private:
  bool CallDaemon(const char* method) {
    GVariant* reply = g_dbus_connection_call_sync(Connection(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", method, g_variant_new("(s)", "org.kde.KWin"),
                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (reply != nullptr) g_variant_unref(reply);
    return reply != nullptr;
  }
  void Report(const std::string& target, int pid) {
    g_dbus_connection_call(Connection(), target.c_str(), "/com/tavrinex/Foreground", "com.tavrinex.Foreground",
                           "Active", g_variant_new("(i)", pid), nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr,
                           nullptr, nullptr);
  }
  // The bus name the script calls: the first argument of its callDBus.
  static std::string TargetOf(const std::string& script) {
    const auto start = script.find("callDBus(\"");
    if (start == std::string::npos) return {};
    const auto from = start + 10;
    return script.substr(from, script.find('"', from) - from);
  }

  static void OnMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<FakeKWinScripting*>(data);
    const std::string name = method;
    const std::lock_guard lock(self->mutex_);
    if (name == "loadScript") {
      const gchar* path = nullptr;
      const gchar* plugin = nullptr;
      g_variant_get(parameters, "(&s&s)", &path, &plugin);
      self->target_ = TargetOf(profiles::ReadWholeFile(path).bytes);
      self->plugin_ = plugin;
      ++self->loads_;
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(i)", 0));
    } else if (name == "unloadScript") {
      ++self->unloads_;
      self->running_ = false;
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", TRUE));
    } else {  // run: the script reports the active window at once
      self->running_ = true;
      g_dbus_method_invocation_return_value(invocation, nullptr);
      if (self->activePid_ != 0) self->Report(self->target_, self->activePid_);
    }
  }

  GDBusNodeInfo* info_;
  std::mutex mutex_;
  std::string target_;
  std::string plugin_;
  int activePid_ = 0;
  bool running_ = false;
  int loads_ = 0;
  int unloads_ = 0;
};

TEST(KWinForegroundTest, ScriptReportsTheActiveProgramAndSurvivesAKWinRestart) {
  test::PrivateBus bus;
  if (!bus.Running()) GTEST_SKIP() << "dbus-daemon could not be started";
  test::SleepingChild sleeper;
  FakeKWinScripting kwin(bus.Address());
  ASSERT_TRUE(kwin.OwnName("org.kde.KWin"));
  kwin.Start();
  kwin.Activate(::getpid());

  auto source = MakeKWinForegroundSource(bus.Address());
  EXPECT_EQ(source->Name(), "kwin");
  test::Reports reports;
  source->Start([&reports](const std::string& path) { reports.Add(path); });
  EXPECT_EQ(reports.WaitFor(1).back(), test::SelfExecutable());
  EXPECT_EQ(kwin.Plugin(), "tavrinex-foreground");
  kwin.Activate(sleeper.Pid());
  EXPECT_TRUE(reports.WaitFor(2).at(1).ends_with("/sleep"));

  // KWin goes away (nothing is known) and comes back (the script is loaded again).
  ASSERT_TRUE(kwin.ReleaseName());
  EXPECT_EQ(reports.WaitFor(3).at(2), "");
  ASSERT_TRUE(kwin.OwnName("org.kde.KWin"));
  EXPECT_TRUE(reports.WaitFor(4).at(3).ends_with("/sleep"));
  EXPECT_EQ(kwin.Loads(), 2);

  const int unloadsBefore = kwin.Unloads();
  source->Stop();
  EXPECT_EQ(kwin.Unloads(), unloadsBefore + 1) << "the script is unloaded at exit";
}

TEST(KWinForegroundTest, WithoutKWinNothingIsKnownAndStopIsPrompt) {
  test::PrivateBus bus;
  if (!bus.Running()) GTEST_SKIP() << "dbus-daemon could not be started";
  auto source = MakeKWinForegroundSource(bus.Address());
  test::Reports reports;
  source->Start([&reports](const std::string& path) { reports.Add(path); });
  EXPECT_EQ(reports.WaitFor(1).back(), "");
  source->Stop();
}

}  // namespace
}  // namespace tavrinex::platform
