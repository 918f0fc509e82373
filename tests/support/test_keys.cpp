#include "tests/support/test_keys.h"

#include <stdexcept>

#include "engine/gnupg_options.h"

namespace test_support {

std::string KeyCache() {
    return NativePath(HostPath(QUILLET_TEST_KEY_CACHE));
}

std::string OldStyleKeyFolder() {
    return NativePath(HostPath(QUILLET_OLD_STYLE_KEY)) + NativePath("/");
}

std::string FingerprintOf(const TestUser& user) {
    if (!Exists(CacheFolder(user) + "fingerprint.txt")) {
        throw std::runtime_error("the test keys are missing: run test_keys_setup first");
    }
    return ReadFile(CacheFolder(user) + "fingerprint.txt");
}

std::vector<std::string> ChangeFilesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : ListFolder(folder)) {
        if (name.rfind("change-", 0) == 0 || name.rfind("kept-", 0) == 0 ||
            name.rfind("keyring-replac", 0) == 0) {
            found.push_back(name);
        }
    }
    return found;
}

UserFolder::UserFolder(const TestUser& user) : passphrase(user.passphrase) {
    FingerprintOf(user);  // fails loudly when the keys are missing
    folder.InstallRealGpg();
    MakeFolderAt(homeDir);
    CopyFile(CacheFolder(user) + "secring.gpg", secretKeyring);
    CopyFile(CacheFolder(user) + "pubring.gpg", publicKeyring);
    EnsureGnupgOptions(homeDir.c_str());  // as the program's start-up does
}

}  // namespace test_support
