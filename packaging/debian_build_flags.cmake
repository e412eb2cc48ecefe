# Compiles and links the programs with the flags Debian builds its own
# packages with, as dpkg-buildflags gives them on the release at hand, with
# every hardening feature on: fortified C library calls, stack protection,
# relocations made read-only and bound at start, and position-independent
# executables (which Debian's compilers make anyway).
# The build type still chooses optimisation and debugging information. Not
# for the sanitizer and fuzzer builds, which instrument the code their own
# way, nor off Linux or in a cross build, where the compiler is not Debian's.
option(TARNWICK_DEBIAN_BUILD_FLAGS "Build with Debian's hardening flags from dpkg-buildflags" ON)
if(NOT TARNWICK_DEBIAN_BUILD_FLAGS OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR CMAKE_CROSSCOMPILING
   OR TARNWICK_SANITIZE OR TARNWICK_FUZZ)
  return()
endif()

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(FATAL_ERROR "dpkg-buildflags (package dpkg-dev) gives the build Debian's hardening flags: "
                      "install it, or configure with -DTARNWICK_DEBIAN_BUILD_FLAGS=OFF")
endif()

set(maintainer_options hardening=+all)
# glibc fortifies only optimised code and warns about the rest.
if(CMAKE_BUILD_TYPE STREQUAL Debug)
  string(APPEND maintainer_options ",-fortify")
endif()
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  # Run from the source folder, so that file names in the binaries start there.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=${maintainer_options}
                          "DEB_${kind}_MAINT_STRIP=-g -O2" ${DPKG_BUILDFLAGS} --get ${kind}
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  message(STATUS "Debian's ${kind}: ${flags}")
  separate_arguments(debian_${kind} UNIX_COMMAND "${flags}")
endforeach()
add_compile_options(${debian_CPPFLAGS} ${debian_CXXFLAGS})
add_link_options(${debian_LDFLAGS})
