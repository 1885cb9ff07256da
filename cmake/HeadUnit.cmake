# Helpers shared by the folders' CMakeLists.

# headunit_test(NAME SOURCES... LIBS ...): one GoogleTest executable registered with CTest.
function(headunit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT HEADUNIT_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300)
endfunction()

# headunit_fuzzer(NAME SOURCE LIBS ...): a libFuzzer target, built only in the fuzz build.
function(headunit_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT HEADUNIT_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set_property(GLOBAL APPEND PROPERTY HEADUNIT_FUZZERS ${name})
endfunction()

# headunit_benchmark(NAME SOURCES... LIBS ...): a Google Benchmark executable (not run by CTest).
function(headunit_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT HEADUNIT_BENCHMARKS)
    return()
  endif()
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
endfunction()

# headunit_program(TARGET DEVICE_NAME): installs a program's executable into the demo device's
# \NAND folder under its device file name (e.g. MUSIC.EXE).
function(headunit_program target device_name)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${HEADUNIT_NAND_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${HEADUNIT_NAND_DIR}/${device_name})
endfunction()
