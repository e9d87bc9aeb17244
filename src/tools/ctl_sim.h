// tavrinexctl sim: plugs or unplugs a simulated device in the running `tavrinex --simulate`.
#pragma once

#include <string_view>
#include <vector>

namespace tavrinex::tools {

int SimCommand(const std::vector<std::string_view>& args);

}  // namespace tavrinex::tools
