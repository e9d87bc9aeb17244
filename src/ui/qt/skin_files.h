// The small XML files of the skin that are ours rather than Qt Designer's: the resource
// index ("res.xml": layout keys to files), the language files (id to text) and the popup
// menu file (items). Each reader gives the data or a diagnostic naming the file and the line.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/events.h"

namespace tavrinex::ui::qt {

struct SkinFileError {
  std::string message;  // "<file>:<line>: <what>"
};

// <resources><layout key="XML_MAIN" file="main.ui"/>...</resources>
using ResourceIndex = std::unordered_map<std::string, std::string>;
// <language id="en"><text id="kb_tab">Keyboard</text>...</language>
struct LanguageTexts {
  std::string id;
  std::unordered_map<std::string, std::string> texts;
};
// <menu><item name="lan" text="menu_lan_text" userdata=""/>...</menu>
using MenuItems = std::vector<MenuItem>;

template <class T>
struct Parsed {
  std::optional<T> value;
  SkinFileError error;
};

[[nodiscard]] Parsed<ResourceIndex> ReadResourceIndex(const QString& path);
[[nodiscard]] Parsed<LanguageTexts> ReadLanguageFile(const QString& path);
[[nodiscard]] Parsed<MenuItems> ReadMenuFile(const QString& path);

}  // namespace tavrinex::ui::qt
