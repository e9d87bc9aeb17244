# Every target of the project compiles with the same strict warnings, as errors.
add_library(tavrinex_warnings INTERFACE)
target_compile_options(tavrinex_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wconversion -Wsign-conversion -Wshadow -Wnon-virtual-dtor
  -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wnull-dereference
  -Wimplicit-fallthrough -Wformat=2)

function(tavrinex_target name)
  target_link_libraries(${name} PRIVATE tavrinex_warnings)
endfunction()
