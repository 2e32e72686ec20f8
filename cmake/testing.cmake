# GoogleTest: the system package natively; for Windows, Debian's source package
# cross-built with the MinGW compiler and linked statically.
if(WIN32)
  set(TV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
      "GoogleTest's source folder, cross-built for the Windows tests")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The vendored sources are not ours to keep warning-free.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
  set(TV_GTEST gtest)
  set(TV_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  set(TV_GTEST GTest::gtest)
  set(TV_GTEST_MAIN GTest::gtest_main)
endif()
include(GoogleTest)

# tv_add_test(name SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...])
# Discovery runs at test time (under Wine for the Windows build), not at build time.
function(tv_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${TV_GTEST_MAIN} ${TV_GTEST})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()
