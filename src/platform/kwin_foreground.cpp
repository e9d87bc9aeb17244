// On Plasma's Wayland session only KWin knows the active window. We hand KWin a small script
// (through its scripting D-Bus interface) that calls us back over the session bus with the
// active window's process id whenever it changes; the script names our unique bus name, so no
// well-known name is needed. KWin restarting loses the script: we load it again when KWin's
// name comes back, and report "unknown" while it is away.
#include <gio/gio.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/foreground.h"

namespace tavrinex::platform {

namespace {

constexpr const char* kKWin = "org.kde.KWin";
constexpr const char* kObjectPath = "/com/tavrinex/Foreground";
constexpr const char* kInterface = "com.tavrinex.Foreground";
constexpr const char* kPluginName = "tavrinex-foreground";
constexpr int kCallTimeoutMs = 1000;
constexpr int kUnloadTimeoutMs = 100;  // shutdown must not wait for a silent KWin

constexpr const char* kIntrospection = R"(<node><interface name="com.tavrinex.Foreground">
  <method name="Active"><arg name="pid" type="i" direction="in"/></method>
</interface></node>)";

// Plasma 6 names the signal windowActivated, Plasma 5 clientActivated.
std::string ScriptText(const std::string& busName) {
  return "function report(w) {\n"
         "  callDBus(\"" + busName + "\", \"" + kObjectPath + "\", \"" + kInterface + "\", \"Active\",\n"
         "           w ? w.pid : 0);\n"
         "}\n"
         "if (workspace.windowActivated) {\n"
         "  workspace.windowActivated.connect(report);\n"
         "  report(workspace.activeWindow);\n"
         "} else {\n"
         "  workspace.clientActivated.connect(report);\n"
         "  report(workspace.activeClient);\n"
         "}\n";
}

std::string ScriptFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime != nullptr && runtime[0] == '/' ? runtime : "/tmp";
}

class KWinForeground final : public ForegroundSource {
 public:
  explicit KWinForeground(std::string busAddress)
      : busAddress_(std::move(busAddress)),
        context_(g_main_context_new()),
        loop_(g_main_loop_new(context_, FALSE)),
        info_(g_dbus_node_info_new_for_xml(kIntrospection, nullptr)) {}
  ~KWinForeground() override {
    Stop();
    g_dbus_node_info_unref(info_);
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
  }
  KWinForeground(const KWinForeground&) = delete;
  KWinForeground& operator=(const KWinForeground&) = delete;

  [[nodiscard]] std::string_view Name() const override { return "kwin"; }
  [[nodiscard]] bool Knows() const override { return true; }

  void Start(Changed changed) override {
    if (thread_.joinable()) return;
    changed_ = std::move(changed);
    thread_ = std::thread([this] { Run(); });
  }

  void Stop() override {
    if (!thread_.joinable()) return;
    // The loop's own thread unloads the script and quits.
    g_main_context_invoke(context_, &KWinForeground::Quit, this);
    thread_.join();
  }

 private:
  void Run() {
    g_main_context_push_thread_default(context_);
    if (Connect()) {
      static const GDBusInterfaceVTable vtable = {&KWinForeground::OnMethod, nullptr, nullptr, {}};
      g_dbus_connection_register_object(bus_, kObjectPath, info_->interfaces[0], &vtable, this, nullptr,
                                        nullptr);
      scriptPath_ = ScriptFolder() + "/tavrinex-foreground-" + std::to_string(::getpid()) + ".js";
      std::ofstream(scriptPath_) << ScriptText(g_dbus_connection_get_unique_name(bus_));
      watch_ = g_bus_watch_name_on_connection(bus_, kKWin, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                              &KWinForeground::OnKWinAppeared,
                                              &KWinForeground::OnKWinVanished, this, nullptr);
    } else {
      changed_("");
    }
    g_main_loop_run(loop_);
    if (watch_ != 0) g_bus_unwatch_name(watch_);
    if (!scriptPath_.empty()) ::unlink(scriptPath_.c_str());
    if (bus_ != nullptr) g_object_unref(bus_);
    bus_ = nullptr;
    g_main_context_pop_thread_default(context_);
  }

  bool Connect() {
    GError* error = nullptr;
    bus_ = busAddress_.empty()
               ? g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error)
               : g_dbus_connection_new_for_address_sync(
                     busAddress_.c_str(),
                     static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                       G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                     nullptr, nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return bus_ != nullptr;
  }

  GVariant* CallKWin(const char* path, const char* interface, const char* method, GVariant* args,
                     int timeoutMs) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus_, kKWin, path, interface, method, args, nullptr,
                                                  G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return reply;
  }

  void LoadScript() {
    // A script of ours left from before (a crash, a KWin that kept it) goes first.
    UnloadScript(kCallTimeoutMs);
    GVariant* reply = CallKWin("/Scripting", "org.kde.kwin.Scripting", "loadScript",
                               g_variant_new("(ss)", scriptPath_.c_str(), kPluginName), kCallTimeoutMs);
    if (reply == nullptr) return;
    gint32 id = -1;
    g_variant_get(reply, "(i)", &id);
    g_variant_unref(reply);
    if (id < 0) return;
    // Plasma 5.22 and later publish a loaded script at /Scripting/Script<id>, older ones at /<id>.
    for (const std::string& path : {"/Scripting/Script" + std::to_string(id), "/" + std::to_string(id)}) {
      if (GVariant* ran = CallKWin(path.c_str(), "org.kde.kwin.Script", "run", nullptr, kCallTimeoutMs)) {
        g_variant_unref(ran);
        return;
      }
    }
  }

  void UnloadScript(int timeoutMs) {
    if (GVariant* reply = CallKWin("/Scripting", "org.kde.kwin.Scripting", "unloadScript",
                                   g_variant_new("(s)", kPluginName), timeoutMs)) {
      g_variant_unref(reply);
    }
  }

  static gboolean Quit(gpointer data) {
    auto* self = static_cast<KWinForeground*>(data);
    if (self->bus_ != nullptr && self->kwinPresent_) self->UnloadScript(kUnloadTimeoutMs);
    g_main_loop_quit(self->loop_);
    return G_SOURCE_REMOVE;
  }

  static void OnKWinAppeared(GDBusConnection*, const gchar*, const gchar*, gpointer data) {
    auto* self = static_cast<KWinForeground*>(data);
    self->kwinPresent_ = true;
    self->LoadScript();
  }

  static void OnKWinVanished(GDBusConnection*, const gchar*, gpointer data) {
    auto* self = static_cast<KWinForeground*>(data);
    self->kwinPresent_ = false;
    self->changed_("");
  }

  static void OnMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<KWinForeground*>(data);
    if (std::string_view(method) == "Active" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(i)"))) {
      gint32 pid = 0;
      g_variant_get(parameters, "(i)", &pid);
      self->changed_(ExecutableOfProcess(pid));
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  std::string busAddress_;
  GMainContext* context_;
  GMainLoop* loop_;
  GDBusNodeInfo* info_;
  GDBusConnection* bus_ = nullptr;  // the loop's thread only
  guint watch_ = 0;
  bool kwinPresent_ = false;
  std::string scriptPath_;
  Changed changed_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<ForegroundSource> MakeKWinForegroundSource(const std::string& busAddress) {
  return std::make_unique<KWinForeground>(busAddress);
}

}  // namespace tavrinex::platform
