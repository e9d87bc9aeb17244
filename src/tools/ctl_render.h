// tavrinexctl render: runs a device's lighting effect offline and prints its LED frames.
#pragma once

#include <string_view>
#include <vector>

namespace tavrinex::tools {

int RenderCommand(const std::vector<std::string_view>& args);

}  // namespace tavrinex::tools
