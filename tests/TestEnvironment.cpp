// Linked into every test program: points FIELDSYNC_SOURCE and FIELDSYNC_DIST
// at this build's source tree and ready-to-run directory unless the caller
// set them, so a test program finds its fixtures however it is started.
#include <cstdlib>

namespace {

struct TTestEnvironment {
  TTestEnvironment() {
#ifndef _WIN32
    ::setenv("FIELDSYNC_SOURCE", FIELDSYNC_TEST_SOURCE_DIR, 0);
    ::setenv("FIELDSYNC_DIST", FIELDSYNC_TEST_DIST_DIR, 0);
#endif
  }
} Environment;

}  // namespace
