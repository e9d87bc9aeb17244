#include "app/router.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <span>

#include "app/routing_tables.h"

namespace tavrinex::app {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::span<const NameRoute> Rows(Table table) {
  switch (table) {
    case Table::kClick: return kClickTable;
    case Table::kSelectEarly: return kSelectEarlyTable;
    case Table::kSelectLate: return kSelectLateTable;
    case Table::kItemSelect: return kItemSelectTable;
    case Table::kSlider: return kSliderTable;
    case Table::kPalette: return kPaletteTable;
    case Table::kText: return kTextTable;
  }
  return {};
}

constexpr std::array<std::string_view, 7> kTableNames = {
    "click", "selectchanged", "selectchanged", "itemselect", "valuechanged", "colorchanged",
    "textchanged"};

std::string Hex(std::uint32_t id) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%04X", id);
  return buffer;
}

}  // namespace

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

SplitName SplitAtLastUnderscore(std::string_view name) {
  const auto cut = name.rfind('_');
  if (cut == std::string_view::npos) return {{}, 0};
  long long value = 0;
  for (const char c : name.substr(cut + 1)) {
    if (c < '0' || c > '9') break;
    value = std::min<long long>(value * 10 + (c - '0'), INT_MAX);
  }
  return {name.substr(0, cut + 1), static_cast<int>(value)};
}

Router::Router(Diagnostic diagnostic) : diagnostic_(std::move(diagnostic)) {}

Owner Router::OwnerOf(Table table, std::string_view name) {
  for (const NameRoute& row : Rows(table)) {
    if (EqualNoCase(row.name, name)) return row.owner;
  }
  return Owner::kNone;
}

bool Router::Register(Table table, std::string_view name, Handler handler) {
  const auto rows = Rows(table);
  const bool known = std::ranges::any_of(rows, [&](const NameRoute& r) {
    return EqualNoCase(r.name, name);
  });
  if (!known) {
    diagnostic_("router: \"" + std::string(name) + "\" is not a " +
                std::string(kTableNames[static_cast<std::size_t>(table)]) + " route");
    return false;
  }
  handlers_[static_cast<std::size_t>(table)][Lower(name)] = std::move(handler);
  return true;
}

bool Router::RegisterPrefix(std::string_view prefix, IndexHandler handler) {
  const bool known = std::ranges::any_of(kClickPrefixes, [&](const PrefixRoute& r) {
    return EqualNoCase(r.prefix, prefix);
  });
  if (!known) {
    diagnostic_("router: \"" + std::string(prefix) + "\" is not a click prefix");
    return false;
  }
  prefixes_[Lower(prefix)] = std::move(handler);
  return true;
}

bool Router::RegisterMessage(std::uint32_t id, MessageHandler handler) {
  const bool known =
      std::ranges::any_of(kMessageRoutes, [&](const MessageRoute& r) { return r.id == id; });
  if (!known) {
    diagnostic_("router: message " + Hex(id) + " is not a routed message");
    return false;
  }
  messages_[id] = std::move(handler);
  return true;
}

void Router::Missing(std::string_view what, std::string_view name, Owner owner) {
  diagnostic_(std::string(what) + " \"" + std::string(name) + "\": its owner (" +
              std::string(OwnerName(owner)) + ") is not built yet");
}

void Router::RouteClick(const ui::Notification& n) {
  const std::string_view name = n.senderName;
  if (name.find('_') != std::string_view::npos) {
    const SplitName split = SplitAtLastUnderscore(name);
    for (const PrefixRoute& route : kClickPrefixes) {
      if (!EqualNoCase(route.prefix, split.prefix)) continue;
      const auto it = prefixes_.find(Lower(route.prefix));
      if (it != prefixes_.end()) {
        it->second(split.index, n);
      } else {
        Missing("click prefix", route.prefix, route.owner);
      }
      if (route.then == Then::kStop) return;
      break;
    }
  }
  (void)Route(Table::kClick, n);
}

bool Router::Route(Table table, const ui::Notification& n) {
  const auto rows = Rows(table);
  const auto row = std::ranges::find_if(rows, [&](const NameRoute& r) {
    return EqualNoCase(r.name, n.senderName);
  });
  if (row == rows.end()) return false;
  if (row->owner == Owner::kNone) return true;
  const auto& handlers = handlers_[static_cast<std::size_t>(table)];
  const auto it = handlers.find(Lower(row->name));
  if (it != handlers.end()) {
    it->second(n);
  } else {
    Missing(kTableNames[static_cast<std::size_t>(table)], row->name, row->owner);
  }
  return true;
}

bool Router::RouteMessage(const ui::Message& message, std::int64_t* result) {
  const auto route = std::ranges::find_if(
      kMessageRoutes, [&](const MessageRoute& r) { return r.id == message.id; });
  if (route == kMessageRoutes.end()) return false;
  if (!route->debugName.empty()) diagnostic_(std::string(route->debugName));
  if (route->owner == Owner::kNone) return true;
  const auto it = messages_.find(message.id);
  if (it != messages_.end()) {
    const std::int64_t r = it->second(message);
    if (result != nullptr) *result = r;
  } else {
    Missing("message", Hex(message.id), route->owner);
  }
  return true;
}

}  // namespace tavrinex::app
