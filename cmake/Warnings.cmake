# Warnings for every target of the project, and the sanitizer build.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(HEADUNIT_WERROR)
  add_compile_options(-Werror)
endif()
if(HEADUNIT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(HEADUNIT_FUZZ)
  # Every library a fuzz target links is instrumented for coverage and checked by the
  # sanitizers, not only the target's own file.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
