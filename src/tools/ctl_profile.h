// tavrinexctl profile show|check FILE: decode a profile file, or say why it is not a valid one;
// profile history|restore: the earlier versions kept of a profile file.
#pragma once

#include <string_view>
#include <vector>

namespace tavrinex::tools {

int ProfileCommand(const std::vector<std::string_view>& args);
// profile history|restore kb|ms|mp NAME [VERSION]
int ProfileHistoryCommand(const std::vector<std::string_view>& args);

}  // namespace tavrinex::tools
