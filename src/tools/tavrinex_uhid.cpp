// tavrinex_uhid [--shared-node]: plugs the simulated keyboard, mouse and mouse pad in through
// /dev/uhid, so that the kernel makes real hidraw nodes of them, and answers the host with the
// simulated firmware until SIGINT or SIGTERM. With --shared-node the keyboard's and the
// mouse's consumer-control collection shares the configuration node (report ids 3 and 4).
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/simulated_device.h"
#include "sim/uhid_bus.h"

namespace {

using tavrinex::device::DeviceKind;
using tavrinex::sim::SimulatedDevice;

}  // namespace

int main(int argc, char** argv) {
  const bool shared = argc == 2 && std::string_view(argv[1]) == "--shared-node";
  if (argc > 2 || (argc == 2 && !shared)) {
    std::fprintf(stderr, "usage: tavrinex_uhid [--shared-node]\n");
    return 2;
  }
  // Blocked before any thread starts, so that only sigwait below takes them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  tavrinex::sim::UhidBus bus;
  if (!bus.Available()) {
    std::fprintf(stderr, "tavrinex_uhid: /dev/uhid cannot be opened\n");
    return 1;
  }
  const char* kbConsumer = shared ? "uhid:keyboard/config" : "uhid:keyboard/consumer";
  const char* msConsumer = shared ? "uhid:mouse/config" : "uhid:mouse/consumer";
  SimulatedDevice keyboard(bus, DeviceKind::kKeyboard, "uhid:keyboard/config", kbConsumer);
  SimulatedDevice mouse(bus, DeviceKind::kMouse, "uhid:mouse/config", msConsumer);
  SimulatedDevice mousePad(bus, DeviceKind::kMousePad, "uhid:mousepad/config", "");
  for (SimulatedDevice* d : {&keyboard, &mouse, &mousePad}) {
    d->Plug();
    std::vector<std::string> paths = {d->ConfigPath()};
    if (!d->ConsumerPath().empty() && d->ConsumerPath() != d->ConfigPath()) {
      paths.push_back(d->ConsumerPath());
    }
    for (const auto& path : paths) {
      const std::string node = bus.NodeOf(path);
      if (node.empty()) {
        std::fprintf(stderr, "tavrinex_uhid: %s: %s\n", path.c_str(), bus.LastError().c_str());
        return 1;
      }
      std::printf("%s %s\n", path.c_str(), node.c_str());
    }
  }
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stopSignals, &signal);
  return 0;
}
