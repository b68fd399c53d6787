# Sets CAMDRIFT_FUZZ_SUPPORTED when the compiler can build libFuzzer targets,
# and then instruments everything built from here on for them: coverage for
# the fuzzer, AddressSanitizer, and UndefinedBehaviorSanitizer that aborts on
# its first report so libFuzzer keeps the input.
include(CheckCXXSourceCompiles)

set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer,address,undefined")
set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=fuzzer,address,undefined")
check_cxx_source_compiles([[
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
]] CAMDRIFT_FUZZ_SUPPORTED)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)

if(CAMDRIFT_FUZZ_SUPPORTED)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
else()
  message(WARNING "CAMDRIFT_FUZZ is on, but ${CMAKE_CXX_COMPILER} can't build with "
                  "-fsanitize=fuzzer: the fuzz targets are left out (configure with "
                  "CC=clang CXX=clang++).")
endif()
