// tavrinexctl info: synchronise one device and print its image.
#pragma once

#include <string_view>
#include <vector>

namespace tavrinex::tools {

int InfoCommand(const std::vector<std::string_view>& args);

}  // namespace tavrinex::tools
