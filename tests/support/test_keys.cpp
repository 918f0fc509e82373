#include "tests/support/test_keys.h"

#include <stdexcept>

namespace test_support {

std::string KeyCache() {
    return NativePath(HostPath(QUILLET_TEST_KEY_CACHE));
}

std::string FingerprintOf(const TestUser& user) {
    if (!Exists(CacheFolder(user) + "fingerprint.txt")) {
        throw std::runtime_error("the test keys are missing: run test_keys_setup first");
    }
    return ReadFile(CacheFolder(user) + "fingerprint.txt");
}

UserFolder::UserFolder(const TestUser& user) : passphrase(user.passphrase) {
    FingerprintOf(user);  // fails loudly when the keys are missing
    folder.InstallRealGpg();
    MakeFolderAt(homeDir);
    CopyFile(CacheFolder(user) + "secring.gpg", secretKeyring);
    CopyFile(CacheFolder(user) + "pubring.gpg", publicKeyring);
}

}  // namespace test_support
