// Diagnostic lines: one line on stderr each (the journal keeps them when the program runs as a
// user service). There is no log file and no level.
#pragma once

#include <string_view>

namespace tavrinex::profiles {

void WriteDiagnostic(std::string_view line);

}  // namespace tavrinex::profiles
