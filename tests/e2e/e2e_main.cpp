// The entry of every end-to-end test program: GoogleTest's own options,
// then --program=PATH, the program under test, and optionally
// --screenshots=FOLDER (both paths of the build machine). Screenshots go to
// the build folder's e2e-artifacts, one folder per test, or with
// --screenshots straight into FOLDER.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/e2e/driver.h"
#include "tests/support/test_support.h"

namespace {

// The value of option `name` ("--name=") in `argument`, or nullptr.
const char* OptionValue(const char* argument, const char* name) {
    std::size_t length = std::strlen(name);
    if (std::strncmp(argument, name, length) == 0 && argument[length] != '\0') {
        return argument + length;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    e2e::SetArtifactRoot(test_support::HostPath(QUILLET_E2E_ARTIFACTS));
    for (int i = 1; i < argc; ++i) {
        if (const char* program = OptionValue(argv[i], "--program=")) {
            e2e::SetProgramUnderTest(test_support::HostPath(program));
        } else if (const char* folder = OptionValue(argv[i], "--screenshots=")) {
            e2e::SetArtifactRoot(test_support::HostPath(folder), false);
        }
    }
    return RUN_ALL_TESTS();
}
