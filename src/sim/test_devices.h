// The keyboard, mouse and mouse pad as a set of scripted interfaces on a simulated bus:
// configuration interfaces that answer every request, and the consumer-control interfaces
// of the keyboard and the mouse.
#pragma once

#include <memory>
#include <string>

#include "sim/scripted_device.h"
#include "sim/sim_bus.h"

namespace tavrinex::sim {

struct TestDevices {
  static constexpr const char* kKeyboardConfig = "sim:keyboard/config";
  static constexpr const char* kKeyboardConsumer = "sim:keyboard/consumer";
  static constexpr const char* kMouseConfig = "sim:mouse/config";
  static constexpr const char* kMouseConsumer = "sim:mouse/consumer";
  static constexpr const char* kMousePadConfig = "sim:mousepad/config";

  std::shared_ptr<ScriptedDevice> keyboard = std::make_shared<ScriptedDevice>();
  std::shared_ptr<ScriptedDevice> mouse = std::make_shared<ScriptedDevice>();
  std::shared_ptr<ScriptedDevice> mousePad = std::make_shared<ScriptedDevice>();
};

// Plugs all five interfaces into the bus.
TestDevices PlugTestDevices(SimBus& bus);

}  // namespace tavrinex::sim
