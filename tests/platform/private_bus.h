// A private D-Bus session bus for one test, and a service on it run by its own GLib main loop
// thread, so that code under test talks to a real bus without touching the user's session.
#pragma once

#include <gio/gio.h>
#include <signal.h>

#include <cstdio>
#include <string>
#include <thread>

namespace tavrinex::platform::test {

class PrivateBus {
 public:
  PrivateBus() {
    FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
    if (out == nullptr) return;
    char line[512] = {};
    if (std::fgets(line, sizeof line, out) != nullptr) address_ = Chomp(line);
    if (std::fgets(line, sizeof line, out) != nullptr) pid_ = std::stoi(Chomp(line));
    ::pclose(out);
  }
  ~PrivateBus() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  [[nodiscard]] const std::string& Address() const { return address_; }
  [[nodiscard]] bool Running() const { return !address_.empty() && pid_ > 0; }

 private:
  static std::string Chomp(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
  }
  std::string address_;
  int pid_ = 0;
};

// A connection to the bus whose handlers run on a thread of its own.
class BusService {
 public:
  explicit BusService(const std::string& address) : context_(g_main_context_new()) {
    g_main_context_push_thread_default(context_);
    connection_ = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    g_main_context_pop_thread_default(context_);
    loop_ = g_main_loop_new(context_, FALSE);
  }
  virtual ~BusService() {
    Stop();
    if (connection_ != nullptr) g_object_unref(connection_);
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
  }
  BusService(const BusService&) = delete;
  BusService& operator=(const BusService&) = delete;

  // Runs `fn` with this service's context as the thread's default, so that objects and signal
  // subscriptions made there are dispatched on the service's thread.
  template <class Fn>
  void InContext(Fn&& fn) {
    g_main_context_push_thread_default(context_);
    fn();
    g_main_context_pop_thread_default(context_);
  }
  // Call after registering: runs the handlers until Stop.
  void Start() {
    thread_ = std::thread([this] {
      g_main_context_push_thread_default(context_);
      g_main_loop_run(loop_);
      g_main_context_pop_thread_default(context_);
    });
  }
  void Stop() {
    if (!thread_.joinable()) return;
    g_main_loop_quit(loop_);
    thread_.join();
  }
  // Owns a well-known name on the bus (synchronously, through the bus daemon).
  bool OwnName(const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", name, 4U /* do not queue */), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (reply == nullptr) return false;
    guint32 result = 0;
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
    return result == 1;  // primary owner
  }

  [[nodiscard]] GDBusConnection* Connection() const { return connection_; }
  [[nodiscard]] GMainContext* Context() const { return context_; }

 private:
  GMainContext* context_;
  GDBusConnection* connection_ = nullptr;
  GMainLoop* loop_;
  std::thread thread_;
};

}  // namespace tavrinex::platform::test
