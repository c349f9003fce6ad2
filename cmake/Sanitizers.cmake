# Instrumented builds, each in a build folder of its own (scripts/sanitize.sh drives them):
# - ENGINE_SANITIZE: AddressSanitizer and UndefinedBehaviorSanitizer in every target. Undefined behaviour
#   stops the program like a memory error does, so a test that reaches it fails instead of printing a
#   warning nobody reads.
# - ENGINE_FUZZ: the same plus libFuzzer's coverage instrumentation, and the fuzz targets of tests/fuzz
#   become real fuzzers. Needs clang.
option(ENGINE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ENGINE_FUZZ "Build the libFuzzer targets (clang; implies ENGINE_SANITIZE)" OFF)

if(ENGINE_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "ENGINE_FUZZ needs clang (libFuzzer); configure with -DCMAKE_CXX_COMPILER=clang++")
endif()

if(ENGINE_SANITIZE OR ENGINE_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ENGINE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
