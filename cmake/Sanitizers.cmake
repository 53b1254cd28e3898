# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build when CLIPWAVE_SANITIZE is on.
option(CLIPWAVE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(CLIPWAVE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
