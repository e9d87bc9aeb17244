// The switchboard between notifications and features: features register a handler per
// control name (or click prefix, or window message) of the tables; the router finds the
// route in table order. A name of a table whose owner has registered nothing yet reaches a
// handler that writes a diagnostic line naming the missing owner, so nothing is swallowed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/routing_types.h"
#include "app/worker_registry.h"
#include "ui/events.h"

namespace tavrinex::app {

// A numbered control's name split at its last "_": "kb_key_12" -> {"kb_key_", 12}. The index
// is the decimal value of the leading digits of the rest (0 when there are none; saturated).
struct SplitName {
  std::string_view prefix;
  int index = 0;
};
[[nodiscard]] SplitName SplitAtLastUnderscore(std::string_view name);

[[nodiscard]] std::string Lower(std::string_view text);

enum class Table : std::uint8_t {
  kClick,
  kSelectEarly,
  kSelectLate,
  kItemSelect,
  kSlider,
  kPalette,
  kText,
};

using Handler = std::function<void(const ui::Notification&)>;
using IndexHandler = std::function<void(int index, const ui::Notification&)>;
using MessageHandler = std::function<std::int64_t(const ui::Message&)>;

class Router {
 public:
  explicit Router(Diagnostic diagnostic);

  // False, with a diagnostic, when the name is not in the table: a route the tables do not
  // know is a programming error that must not pass unnoticed.
  bool Register(Table table, std::string_view name, Handler handler);
  bool RegisterPrefix(std::string_view prefix, IndexHandler handler);
  bool RegisterMessage(std::uint32_t id, MessageHandler handler);

  // The click dispatcher: the prefix table, then (unless the prefix stops) the click table.
  void RouteClick(const ui::Notification& n);
  // True when the name is in the table (handled, or reported as lacking its owner).
  bool Route(Table table, const ui::Notification& n);
  // True when the message is in the message table (handled or reported).
  bool RouteMessage(const ui::Message& message, std::int64_t* result = nullptr);

  [[nodiscard]] static Owner OwnerOf(Table table, std::string_view name);

 private:
  void Missing(std::string_view what, std::string_view name, Owner owner);

  Diagnostic diagnostic_;
  std::unordered_map<std::string, Handler> handlers_[7];  // by Table, lower-case names
  std::unordered_map<std::string, IndexHandler> prefixes_;
  std::unordered_map<std::uint32_t, MessageHandler> messages_;
};

}  // namespace tavrinex::app
