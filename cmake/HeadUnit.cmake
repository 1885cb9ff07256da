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

# headunit_version_record(TARGET VERSION): embeds a version record in the executable, with the
# file and product version VERSION ("1, 0, 2, 3"), in its own ELF section, where the version
# calls of the platform (GetFileVersionInfo) find it.
function(headunit_version_record target version)
  if(NOT version MATCHES "^[0-9A-Za-z ,._-]+$")
    message(FATAL_ERROR "headunit_version_record(${target}): a version is digits, letters, blanks, commas and dots, not \"${version}\"")
  endif()
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_record.cpp)
  file(GENERATE OUTPUT ${source} CONTENT
"// Made by the build: the version record of ${target}.
#include \"platform/files/version_record.h\"

namespace {
[[gnu::used, gnu::section(\".headunit_version\")]] constexpr auto kVersionRecord =
    platform::version_record::MakeRecord(\"${version}\");
}  // namespace
")
  target_sources(${target} PRIVATE ${source})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# headunit_program(TARGET DEVICE_NAME [VERSION "1, 0, 0, 0"]): installs a program's executable
# into the demo device's \NAND folder under its device file name (e.g. MUSIC.EXE), and its
# resources next to it; with VERSION, the program carries that version record.
function(headunit_program target device_name)
  cmake_parse_arguments(P "" "VERSION" "" ${ARGN})
  if(P_VERSION)
    headunit_version_record(${target} "${P_VERSION}")
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${HEADUNIT_NAND_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${HEADUNIT_NAND_DIR}/${device_name})
  headunit_program_resources(${target} ${device_name})
endfunction()

# headunit_program_resources(TARGET DEVICE_NAME): when resources/<program>/ exists (MUSIC.EXE →
# resources/music/), skingen checks it, renders its skin and copies its string table into
# <nand>/<PROGRAM>/, the folder LoadBitmap and LoadString read on the device. The folder is
# rebuilt whole, so a bitmap taken out of the declaration does not linger.
function(headunit_program_resources target device_name)
  string(REGEX REPLACE "\\.[Ee][Xx][Ee]$" "" program ${device_name})
  string(TOLOWER ${program} folder)
  set(source ${PROJECT_SOURCE_DIR}/resources/${folder})
  if(NOT IS_DIRECTORY ${source})
    return()
  endif()
  file(GLOB inputs CONFIGURE_DEPENDS ${source}/*.txt)
  set(output ${HEADUNIT_NAND_DIR}/${program})
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.stamp)
  # skingen leaves the process's font cache to the exit, which a leak check would report.
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${output}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:skingen> install ${source} ${output}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS skingen ${inputs}
    COMMENT "Rendering resources/${folder} into ${output}"
    VERBATIM)
  add_custom_target(${target}_resources ALL DEPENDS ${stamp})
  add_dependencies(${target} ${target}_resources)
endfunction()
