// The entry of every end-to-end test program: GoogleTest's own options,
// then --program=PATH, the program under test (a path of the build
// machine). Screenshots go to the build folder's e2e-artifacts.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/e2e/driver.h"
#include "tests/support/test_support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    e2e::SetArtifactRoot(test_support::HostPath(QUILLET_E2E_ARTIFACTS));
    const char* option = "--program=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], option, std::strlen(option)) == 0 &&
            argv[i][std::strlen(option)] != '\0') {
            e2e::SetProgramUnderTest(test_support::HostPath(argv[i] + std::strlen(option)));
        }
    }
    return RUN_ALL_TESTS();
}
