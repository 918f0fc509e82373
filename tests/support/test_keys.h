// The two test users' key pairs, generated once per build with the program's
// own key generation (the test program test_keys_setup, which CTest runs
// before every test that needs them) and copied into each test's folder.
#pragma once

#include <string>

#include "tests/support/test_support.h"

namespace test_support {

struct TestUser {
    std::string name;
    std::string email;
    std::string passphrase;
    std::string cacheName;  // the user's folder in the key cache
};

const TestUser& Taro();
const TestUser& Hanako();

// The folder of the key cache of this build.
std::string KeyCache();
// The cache folder of a user: secring.gpg, pubring.gpg, public.gpg (the
// exported public key) and fingerprint.txt.
std::string CacheFolder(const TestUser& user);
// True when the user's keys are in the cache.
bool InCache(const TestUser& user);
// The user's fingerprint, user ID and exported public key file.
std::string FingerprintOf(const TestUser& user);
std::string UserIdOf(const TestUser& user);
std::string PublicKeyFileOf(const TestUser& user);
// A key file holding both users' public keys.
std::string TwoKeysFile();

// A program folder with the real GnuPG in bin/ and a copy of the user's key
// rings in conf/, as the program would have them.
struct UserFolder {
    explicit UserFolder(const TestUser& user);
    ProgramFolder folder;
    std::string homeDir;
    std::string secretKeyring;
    std::string publicKeyring;
    std::string passphrase;
};

}  // namespace test_support
