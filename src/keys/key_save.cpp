#include "keys/key_save.h"

namespace tavrinex::keys {

std::string_view KeySaveReport::MessageId() const {
  switch (outcome) {
    case KeySaveOutcome::kNotConnected: return kMessageSaveNotConnected;
    case KeySaveOutcome::kMacrosTooLarge: return kMessageMacrosTooLarge;
    case KeySaveOutcome::kNoMemory: return kMessageNoMemory;
    case KeySaveOutcome::kTransferFailed: return kMessageSaveFailed;
    case KeySaveOutcome::kSaved:
    case KeySaveOutcome::kProfileNotSaved: break;  // the storage layer tells of the file
  }
  return {};
}

KeySaveReport SaveKeyPage(const MacroLibrary& library, device::DeviceChannel& channel,
                          const DeviceImage& image, const std::function<bool()>& saveProfile) {
  KeySaveReport report;
  if (!channel.connected.load()) {
    report.outcome = KeySaveOutcome::kNotConnected;
    return report;
  }
  // A step the device did not take: gone (not connected any more) or refused.
  const auto failed = [&channel, &report] {
    report.outcome = channel.connected.load() ? KeySaveOutcome::kTransferFailed
                                              : KeySaveOutcome::kNotConnected;
    return report;
  };
  report.macros = SendMacros(library, channel, image);
  switch (report.macros.outcome) {
    case MacroSendOutcome::kTooLarge: report.outcome = KeySaveOutcome::kMacrosTooLarge; return report;
    case MacroSendOutcome::kNoMemory: report.outcome = KeySaveOutcome::kNoMemory; return report;
    default: break;
  }
  if (report.macros.result != device::kResultOk) return failed();
  report.page = WriteActivePage(library.Kind(), channel, image);
  if (!report.page.sent || report.page.result != device::kResultOk) return failed();
  if (saveProfile && !saveProfile()) report.outcome = KeySaveOutcome::kProfileNotSaved;
  return report;
}

}  // namespace tavrinex::keys
