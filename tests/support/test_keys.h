// The two test users' key pairs, made with the program's own key generation
// by the test program test_keys_setup (which CTest runs before every test
// that needs them) and copied into each test's folder.
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

// The key cache of this build, and a user's folder in it: secring.gpg,
// pubring.gpg, public.gpg (the exported public key) and fingerprint.txt.
std::string KeyCache();
std::string CacheFolder(const TestUser& user);
bool InCache(const TestUser& user);
// The user's fingerprint, user ID and exported public key file.
std::string FingerprintOf(const TestUser& user);
std::string UserIdOf(const TestUser& user);
std::string PublicKeyFileOf(const TestUser& user);
// A key file holding both users' public keys.
std::string TwoKeysFile();

// A program folder with the real GnuPG in bin/ and conf/ made; with
// `withKeys`, a copy of the user's key rings in conf/.
struct UserFolder {
    explicit UserFolder(const TestUser& user, bool withKeys = true);
    ProgramFolder folder;
    std::string homeDir = folder.PathOf("conf");
    std::string secretKeyring = folder.PathOf("conf/secring.gpg");
    std::string publicKeyring = folder.PathOf("conf/pubring.gpg");
    std::string passphrase;
};

}  // namespace test_support
