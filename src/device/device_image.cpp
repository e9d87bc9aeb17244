#include "device/device_image.h"

namespace tavrinex::device {

DeviceBlocks InitialBlocks(DeviceKind kind) {
  DeviceBlocks b;
  switch (kind) {
    case DeviceKind::kKeyboard: b.defaultKeys = keys::BuiltInKeyboardDefaultKeyBlock(); break;
    case DeviceKind::kMouse: b.defaultKeys = keys::BuiltInMouseDefaultKeyBlock(); break;
    case DeviceKind::kMousePad: break;
  }
  return b;
}

DeviceImage::DeviceImage() {
  for (const DeviceKind kind : kAllDeviceKinds) kinds_[IndexOf(kind)].blocks = InitialBlocks(kind);
}

DeviceBlocks DeviceImage::Snapshot(DeviceKind kind) const {
  return Read(kind, [](const DeviceBlocks& b) { return b; });
}

CurrentRecord DeviceImage::Current(DeviceKind kind) const {
  return Read(kind, [](const DeviceBlocks& b) { return b.current; });
}

DeviceInfoBlock DeviceImage::Info(DeviceKind kind) const {
  return Read(kind, [](const DeviceBlocks& b) { return b.info; });
}

}  // namespace tavrinex::device
