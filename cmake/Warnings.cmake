# Compiler warnings for every target of ours, on one INTERFACE target.
add_library(clipwave_warnings INTERFACE)
target_compile_options(clipwave_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-unused-parameter
  -Wshadow -Wformat=2 -Wnon-virtual-dtor)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports impossible overlaps inside std::string's own inlined copies at -O2 (a known false
  # positive of that compiler); it says nothing about our code.
  target_compile_options(clipwave_warnings INTERFACE -Wno-restrict)
endif()
if(CLIPWAVE_WERROR)
  target_compile_options(clipwave_warnings INTERFACE -Werror)
endif()
