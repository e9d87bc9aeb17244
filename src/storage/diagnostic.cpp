#include "storage/diagnostic.h"

#include <cstdio>
#include <string>

namespace tavrinex::profiles {

void WriteDiagnostic(std::string_view line) {
  // One fputs per line: stdio locks the stream, so lines of different threads do not mix.
  const std::string text = std::string(line) + "\n";
  std::fputs(text.c_str(), stderr);
}

}  // namespace tavrinex::profiles
