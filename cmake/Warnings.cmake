# Compiler warnings for every target of ours, on one INTERFACE target.
add_library(clipwave_warnings INTERFACE)
target_compile_options(clipwave_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(CLIPWAVE_WERROR)
  target_compile_options(clipwave_warnings INTERFACE -Werror)
endif()
