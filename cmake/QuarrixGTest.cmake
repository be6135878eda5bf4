# GoogleTest for the tests: the system's package natively; built from Debian's source
# package (googletest) for the target when cross-compiling, where no library of the
# target's kind is installed, or from the sources QUARRIX_GTEST_SOURCE names.
if(CMAKE_CROSSCOMPILING AND NOT QUARRIX_GTEST_SOURCE)
  set(QUARRIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the target")
endif()
if(QUARRIX_GTEST_SOURCE)
  if(NOT EXISTS ${QUARRIX_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${QUARRIX_GTEST_SOURCE} (Debian: googletest)")
  endif()
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUARRIX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Listing a test program's cases runs it (under the emulator): at test time, not at
  # every build.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
