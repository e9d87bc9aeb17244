# Every target of the project compiles with the same strict warnings. They are errors where the
# project's presets and CI ask for it (CMAKE_COMPILE_WARNING_AS_ERROR), not in a packager's
# build, where a newer compiler's new warning must not stop the package.
add_library(tavrinex_warnings INTERFACE)
target_compile_options(tavrinex_warnings INTERFACE
  -Wall -Wextra -Wpedantic
  -Wconversion -Wsign-conversion -Wshadow -Wnon-virtual-dtor
  -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wnull-dereference
  -Wimplicit-fallthrough -Wformat=2)

function(tavrinex_target name)
  target_link_libraries(${name} PRIVATE tavrinex_warnings)
endfunction()
