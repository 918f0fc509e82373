#include "tests/support/test_keys.h"

#include <stdexcept>

namespace test_support {

const TestUser& Taro() {
    static const TestUser user{"Taro Yamada", "taro@example.com", "password1", "taro"};
    return user;
}

const TestUser& Hanako() {
    static const TestUser user{"Hanako Suzuki", "hanako@example.com", "password1", "hanako"};
    return user;
}

std::string KeyCache() {
    return NativePath(HostPath(QUILLET_TEST_KEY_CACHE));
}

std::string CacheFolder(const TestUser& user) {
    return KeyCache() + NativePath("/" + user.cacheName + "/");
}

bool InCache(const TestUser& user) {
    return Exists(CacheFolder(user) + "fingerprint.txt");
}

std::string FingerprintOf(const TestUser& user) {
    if (!InCache(user)) {
        throw std::runtime_error("the test keys are missing: run test_keys_setup first");
    }
    return ReadFile(CacheFolder(user) + "fingerprint.txt");
}

std::string UserIdOf(const TestUser& user) {
    return user.name + " <" + user.email + ">";
}

std::string PublicKeyFileOf(const TestUser& user) {
    return CacheFolder(user) + "public.gpg";
}

std::string TwoKeysFile() {
    return KeyCache() + NativePath("/two-keys.gpg");
}

UserFolder::UserFolder(const TestUser& user, bool withKeys) : passphrase(user.passphrase) {
    folder.InstallRealGpg();
    MakeFolderAt(homeDir);
    if (withKeys) {
        FingerprintOf(user);  // fails loudly when the keys are missing
        CopyFile(CacheFolder(user) + "secring.gpg", secretKeyring);
        CopyFile(CacheFolder(user) + "pubring.gpg", publicKeyring);
    }
}

}  // namespace test_support
