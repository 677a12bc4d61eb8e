// Linked into every test program: points FIELDSYNC_SOURCE and FIELDSYNC_DIST
// at this build's source tree and ready-to-run directory unless the caller
// set them, so a test program finds its fixtures however it is started
// (under Wine too, where the build's paths name the same folders).
#include "core/Platform.h"

namespace {

struct TTestEnvironment {
  TTestEnvironment() {
    fieldsync::SetEnvironment("FIELDSYNC_SOURCE", FIELDSYNC_TEST_SOURCE_DIR, false);
    fieldsync::SetEnvironment("FIELDSYNC_DIST", FIELDSYNC_TEST_DIST_DIR, false);
  }
} Environment;

}  // namespace
