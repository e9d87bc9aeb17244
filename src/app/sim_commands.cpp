#include "app/sim_commands.h"

namespace tavrinex::app {

void ApplySimCommand(sim::SimulatedDevices& devices, const SimCommand& command) {
  sim::SimulatedDevice& device = devices.Of(command.kind);
  if (device.IsPlugged() == command.plug) return;
  if (command.plug) {
    device.Plug();
  } else {
    device.Unplug();
  }
}

}  // namespace tavrinex::app
