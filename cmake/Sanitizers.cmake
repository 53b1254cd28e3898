# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build when CLIPWAVE_SANITIZE is on.
option(CLIPWAVE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# ThreadSanitizer when CLIPWAVE_TSAN is on; ./test.sh builds only the core libraries' tests that run
# threads this way (build-tsan/), with Qt's own frames suppressed in tests/tsan.supp.
option(CLIPWAVE_TSAN "Build with ThreadSanitizer" OFF)
if(CLIPWAVE_SANITIZE AND CLIPWAVE_TSAN)
  message(FATAL_ERROR "CLIPWAVE_SANITIZE and CLIPWAVE_TSAN cannot be combined: configure two build folders.")
endif()
if(CLIPWAVE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(CLIPWAVE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  # GCC's flow analysis sees the instrumented code's moves of std::variant as reads of uninitialised
  # strings; the normal and the address-sanitizer builds keep the warning.
  add_compile_options(-Wno-maybe-uninitialized)
endif()
