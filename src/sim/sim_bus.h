// A bus of simulated HID interfaces behind the same backend interface as the Linux one.
// Every open hands the host one end of a socketpair(AF_UNIX, SOCK_SEQPACKET): report
// boundaries are kept and a closed far end reads as an unplug, so the real fd-based
// transport runs unchanged against the simulated firmware on the other end.
#pragma once

#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/hid_backend.h"

namespace tavrinex::sim {

// What the firmware of one interface may do with a report the host wrote.
class ReplySink {
 public:
  virtual ~ReplySink() = default;
  virtual void Send(std::span<const std::uint8_t> report) = 0;
  // Sends the report after `delay` while the firmware goes on with later requests: a reply
  // that arrives after its reader gave up.
  virtual void SendLater(std::span<const std::uint8_t> report,
                         std::chrono::milliseconds delay) = 0;
  // Waits like a slow device would; false when the connection ends meanwhile.
  virtual bool Delay(std::chrono::milliseconds duration) = 0;
  // Drops the connection, as an unplug in the middle of a transfer does.
  virtual void Hangup() = 0;
};

// The firmware side of one interface. Called on the connection's thread.
class DeviceEnd {
 public:
  virtual ~DeviceEnd() = default;
  virtual void OnOutputReport(std::span<const std::uint8_t> report, ReplySink& reply) = 0;
};

struct InterfaceSpec {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::vector<std::uint8_t> reportDescriptor;
  // How the host side writes: sockets never block a write, but a test may ask for the
  // worker-thread path that hidraw nodes take.
  device::WriteStyle writeStyle = device::WriteStyle::kNonBlocking;
  // As on a hidraw node, every reader gets every input report, replies included: two opens
  // of one node (the configuration link and the consumer-control watcher) both see them.
  bool broadcastReplies = false;
};

class SimBus final : public device::HidBackend {
 public:
  SimBus();
  ~SimBus() override;
  SimBus(const SimBus&) = delete;
  SimBus& operator=(const SimBus&) = delete;

  // Plugs an interface in (again). The bus keeps the device end alive while it is plugged.
  void Plug(InterfaceSpec spec, std::shared_ptr<DeviceEnd> end);
  // Unplugs: the path disappears and every open connection is closed at once. Firmware may
  // call it while it answers a request, to unplug its own device mid-transfer.
  void Unplug(const std::string& path);
  [[nodiscard]] bool IsPlugged(const std::string& path) const;
  // Sends an input report to every host that has the interface open (consumer reports).
  void SendInput(const std::string& path, std::span<const std::uint8_t> report);
  // Host connections still open on a path.
  [[nodiscard]] int OpenCount(const std::string& path) const;

  // Told of every plug (true) and unplug (false) once it has happened, outside the bus's
  // lock, as a hot-plug monitor reports interfaces coming and going. Empty: nobody is told.
  using PlugObserver = std::function<void(const std::string& path, bool plugged)>;
  void SetPlugObserver(PlugObserver observer);

  [[nodiscard]] bool Enumerate(
      const std::function<void(device::HidInterfaceInfo)>& visit) override;
  [[nodiscard]] std::optional<device::OpenedInterface> Open(
      const std::string& path, const device::HidOpenFlags& flags) override;
  [[nodiscard]] bool ProbePresence(const std::string& path) override;

 private:
  struct Connection;
  struct Interface;
  Interface* Find(const std::string& path) const;
  static void ReapClosed(Interface& iface, std::vector<std::unique_ptr<Connection>>& reaped);
  // Takes the parked connections that the calling thread may join. Called with mutex_ held.
  void TakeParked(std::vector<std::unique_ptr<Connection>>& reaped);
  void Notify(const std::string& path, bool plugged) const;

  mutable std::mutex mutex_;
  std::list<std::unique_ptr<Interface>> interfaces_;  // in plug order
  // Connections unplugged from their own thread, which cannot join itself: closed at once,
  // joined later by another thread's call or by the destructor.
  std::vector<std::unique_ptr<Connection>> parked_;
  std::shared_ptr<const PlugObserver> observer_;  // replaced whole, so a copy stays callable
};

}  // namespace tavrinex::sim
