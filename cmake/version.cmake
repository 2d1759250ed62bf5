# The build's version: the project's major.minor, then a build number (2.0.N; 2.0.N.0 in the Windows
# version resources). N is CARILLO_BUILD_NUMBER when given, else the commit count of the checkout,
# else 0. Each of the four Windows version fields holds 16 bits.
set(CARILLO_BUILD_NUMBER "" CACHE STRING "Build number N of version 2.0.N (default: the git commit count)")
set(build_number "${CARILLO_BUILD_NUMBER}")
if(build_number STREQUAL "")
  set(build_number 0)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-list --count HEAD WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
                    OUTPUT_VARIABLE commit_count OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE git_status ERROR_QUIET)
    if(git_status EQUAL 0 AND commit_count MATCHES "^[0-9]+$")
      set(build_number "${commit_count}")
    endif()
  endif()
endif()
if(NOT build_number MATCHES "^[0-9]+$" OR build_number GREATER 65535)
  message(FATAL_ERROR "CARILLO_BUILD_NUMBER must be a whole number from 0 to 65535, not '${build_number}'")
endif()
# Without leading zeros, so that the texts and the numeric fields agree.
math(EXPR build_number "${build_number}")

set(CARILLO_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(CARILLO_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(CARILLO_VERSION_BUILD ${build_number})
set(CARILLO_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${build_number}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/carillo_version.h.in ${PROJECT_BINARY_DIR}/generated/carillo_version.h @ONLY)

# For the version resources (windres reads the header) and the tests that read them back.
add_library(carillo_version INTERFACE)
target_include_directories(carillo_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
