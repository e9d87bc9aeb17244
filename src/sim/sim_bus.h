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
#include "sim/device_bus.h"

namespace tavrinex::sim {

class SimBus final : public device::HidBackend, public DeviceBus {
 public:
  SimBus();
  ~SimBus() override;
  SimBus(const SimBus&) = delete;
  SimBus& operator=(const SimBus&) = delete;

  // Plugs an interface in (again). The bus keeps the device end alive while it is plugged.
  void Plug(InterfaceSpec spec, std::shared_ptr<DeviceEnd> end) override;
  // Unplugs: the path disappears and every open connection is closed at once. Firmware may
  // call it while it answers a request, to unplug its own device mid-transfer.
  void Unplug(const std::string& path) override;
  [[nodiscard]] bool IsPlugged(const std::string& path) const;
  // Sends an input report to every host that has the interface open (consumer reports).
  void SendInput(const std::string& path, std::span<const std::uint8_t> report) override;
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
