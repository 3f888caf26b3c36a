# Compiler settings shared by every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic)
if(ZEPHON_WERROR)
  add_compile_options(-Werror)
endif()
if(ZEPHON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# zephon_add_test(name SOURCES ... LIBS ...): one Qt Test executable registered with CTest,
# run on the offscreen platform.
function(zephon_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
    TIMEOUT 300 ${T_PROPERTIES})
endfunction()
