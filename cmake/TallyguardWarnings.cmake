# One warning policy for every target of the project: the program, its libraries, the tests, the
# benchmarks and the fuzzers, on Linux and in the Windows cross build. Third-party headers (Qt,
# the office SDK, GoogleTest) come in as system headers, so only the project's own code is judged.
# Linking `tallyguard_warnings` (PRIVATE) is all a target needs.
include_guard(GLOBAL)

option(TALLYGUARD_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(tallyguard_warnings INTERFACE)
target_compile_options(tallyguard_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Wshadow>)
if(CMAKE_CROSSCOMPILING AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # mingw's GCC 12 warns of "uninitialised" members inside std::variant copies at -O2: a known
  # false alarm that buries real warnings.
  target_compile_options(tallyguard_warnings INTERFACE
    $<$<COMPILE_LANGUAGE:C,CXX>:-Wno-maybe-uninitialized>)
endif()
if(TALLYGUARD_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # With AddressSanitizer's instrumentation GCC 12 warns of "uninitialised" std::function members
  # inside libstdc++'s <regex>: the same false alarm; the build without sanitizers keeps the
  # warning for the project's own code.
  target_compile_options(tallyguard_warnings INTERFACE
    $<$<COMPILE_LANGUAGE:C,CXX>:-Wno-maybe-uninitialized>)
endif()
if(TALLYGUARD_WARNINGS_AS_ERRORS)
  target_compile_options(tallyguard_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Werror>)
endif()
