// Every test executable knows where the built programs and the source tree are, also when it is
// run by hand rather than through ctest; a value already in the environment wins.
#include <cstdlib>

namespace {

const bool kEnvironmentReady = [] {
    setenv("ZEL_PROGRAM_DIR", ZEL_TEST_PROGRAM_DIR, 0);
    setenv("ZEL_SOURCE_DIR", ZEL_TEST_SOURCE_DIR, 0);
    return true;
}();

}  // namespace
