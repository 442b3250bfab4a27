# TALLYGUARD_SANITIZE: every target of the build (libraries, the office module, the program and
# its backup helper, every test) compiled and linked with AddressSanitizer and
# UndefinedBehaviorSanitizer. Undefined behaviour ends the process like a memory error does, so a
# test that meets either fails instead of printing a warning nobody reads.
#
# The office's own libraries stay uninstrumented; scripts/test-sanitize.sh runs the tests with the
# options and leak suppressions (tests/sanitize/) that loading them needs.
option(TALLYGUARD_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(TALLYGUARD_SANITIZE)
  if(WIN32 OR CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "TALLYGUARD_SANITIZE is for the native Linux build only.")
  endif()
  set(TALLYGUARD_SANITIZE_FLAGS
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${TALLYGUARD_SANITIZE_FLAGS})
  add_link_options(${TALLYGUARD_SANITIZE_FLAGS})
endif()

# Code built against the office's SDK calls objects whose virtual tables the office's bridge
# makes at run time, without the type information the vptr check compares against: every call
# through such a proxy would be reported as a call on an object of the wrong type. Those targets
# (the office module, the test programs that set the office's scene) go without that one check;
# every other check stays on for them, and the rest of the program keeps the vptr check too.
set(TALLYGUARD_OFFICE_SDK_SANITIZE_OPTIONS "")
if(TALLYGUARD_SANITIZE)
  set(TALLYGUARD_OFFICE_SDK_SANITIZE_OPTIONS -fno-sanitize=vptr)
endif()
