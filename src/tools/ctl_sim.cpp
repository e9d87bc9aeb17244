#include "tools/ctl_sim.h"

#include <cstdio>
#include <string>

#include "app/instance_socket.h"

namespace tavrinex::tools {

int SimCommand(const std::vector<std::string_view>& args) {
  const bool actionKnown = args.size() == 2 && (args[0] == "plug" || args[0] == "unplug");
  const auto kind = args.size() == 2 ? app::KindOfPrefix(args[1]) : std::nullopt;
  if (!actionKnown || !kind) {
    std::fputs("usage: tavrinexctl sim plug|unplug kb|ms|mp\n", stderr);
    return 2;
  }
  const std::string text = app::FormatSimCommand({args[0] == "plug", *kind});
  if (!app::SendToRunningInstance(app::InstanceSocketName(), text)) {
    std::fputs("tavrinexctl sim: no running tavrinex of this user answered "
               "(start it with tavrinex --simulate)\n", stderr);
    return 1;
  }
  // The program accepts it only when it runs with --simulate; otherwise it writes why not.
  std::printf("sent \"%s\"\n", text.c_str());
  return 0;
}

}  // namespace tavrinex::tools
