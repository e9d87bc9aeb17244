// What a copy run with --simulate does with a simulator command from the local socket.
#pragma once

#include "app/instance_socket.h"
#include "sim/simulated_device.h"

namespace tavrinex::app {

// Plugs or unplugs every interface of the device. Plugging a plugged device, or unplugging an
// unplugged one, changes nothing (a repeated command must not power-cycle the device).
void ApplySimCommand(sim::SimulatedDevices& devices, const SimCommand& command);

}  // namespace tavrinex::app
