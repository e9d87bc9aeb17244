// Wires the key pages of the keyboard and the mouse into the main window: their routes, the
// key capture messages, the hover pictures, the page tabs, and the save action on the
// device's worker.
#pragma once

#include <memory>

#include "app/device_wiring.h"
#include "app/main_wnd.h"
#include "keys/key_editor.h"

namespace tavrinex::app {

class KeyEditorWiring {
 public:
  // Must outlive the window's workers (CMainWnd::Destroy first), like DeviceWiring.
  KeyEditorWiring(CMainWnd& window, DeviceWiring& devices);
  ~KeyEditorWiring();
  KeyEditorWiring(const KeyEditorWiring&) = delete;
  KeyEditorWiring& operator=(const KeyEditorWiring&) = delete;

  [[nodiscard]] keys::KeyEditor& Editor(device::DeviceKind kind) {
    return kind == device::DeviceKind::kMouse ? mouse_ : keyboard_;
  }

 private:
  keys::KeyEditorContext Context();
  void StartSave(device::DeviceKind kind, std::function<void(const keys::KeySaveReport&)> done);
  void RegisterRoutes(keys::KeyEditor& editor, device::DeviceKind kind);
  void ChainShellHooks();

  CMainWnd& window_;
  DeviceWiring& devices_;
  keys::KeyEditor keyboard_;
  keys::KeyEditor mouse_;
  // Expires with this object: a save that ends after it must not call into it.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace tavrinex::app
