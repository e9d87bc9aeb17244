// The device state that profiles carry, fresh for each test, in a fresh documents folder; and
// the hand-made state from which golden/make_golden.py writes the golden files.
#pragma once

#include <algorithm>
#include <vector>

#include "device/device_image.h"
#include "lighting/lighting_store.h"
#include "profiles/profile_body.h"
#include "temp_documents.h"

namespace tavrinex::profiles::testing {

class ProfileStateTest : public TempDocuments {
 protected:
  // As make_golden.py: record 0x10.. with profile 2 active, slot image 0xA0.., key pages
  // (5j + kind), keyboard custom set 3, colour 11 22 33, sets j mod 251, pointer 12 / 5.
  void SetHandMadeState() {
    for (const auto kind : device::kAllDeviceKinds) {
      image.Update(kind, [kind](device::DeviceBlocks& b) {
        for (std::size_t i = 0; i < b.current.size(); ++i) b.current[i] = static_cast<std::uint8_t>(0x10 + i);
        b.current[0] = 2;
        for (std::size_t i = 0; i < b.settings[0].size(); ++i) {
          b.settings[0][i] = static_cast<std::uint8_t>(0xA0 + i);
        }
        const auto tag = static_cast<std::size_t>(DeviceTagOf(kind));
        for (std::size_t j = 0; j < b.keyPages[0].size(); ++j) {
          b.keyPages[0][j] = static_cast<std::uint8_t>((j * 5 + tag) & 0xFF);
        }
        b.keyPages[1].fill(0xEE);  // never in a body
        b.settings[1].fill(0xEE);
      });
    }
    lighting.UpdateCustom([](lighting::CustomColours& c) {
      c.customSet = 3;
      c.customColour = {0x11, 0x22, 0x33};
      for (std::size_t j = 0; j < c.sets.size(); ++j) c.sets[j] = static_cast<std::uint8_t>(j % 251);
    });
    pointer.SetSpeed(12);
    pointer.SetWheelLines(5);
  }

  device::DeviceImage image;
  lighting::LightingStore lighting;
  PointerSettings pointer;
  ProfileState state{image, lighting, pointer};
};

}  // namespace tavrinex::profiles::testing
