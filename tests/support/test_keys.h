// The two test users' key pairs, made with the program's own key generation
// by test_keys_setup (which CTest runs before every test that needs them).
#pragma once

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace test_support {

struct TestUser {
    std::string name, email, passphrase;
    std::string cacheName;  // the user's folder in the key cache
};
inline const TestUser& Taro() {
    static const TestUser user{"Taro Yamada", "taro@example.com", "password1", "taro"};
    return user;
}
inline const TestUser& Hanako() {
    static const TestUser user{"Hanako Suzuki", "hanako@example.com", "password1", "hanako"};
    return user;
}

// The key cache, and a user's folder in it: secring.gpg, pubring.gpg,
// public.gpg (the exported public key) and fingerprint.txt.
std::string KeyCache();
inline std::string CacheFolder(const TestUser& user) {
    return KeyCache() + NativePath("/" + user.cacheName + "/");
}
// The user's fingerprint (throws when the keys are missing), user ID, public
// key file; a key file holding both users' keys.
std::string FingerprintOf(const TestUser& user);
inline std::string UserIdOf(const TestUser& user) {
    return user.name + " <" + user.email + ">";
}
inline std::string PublicKeyFileOf(const TestUser& user) {
    return CacheFolder(user) + "public.gpg";
}
inline std::string TwoKeysFile() {
    return KeyCache() + NativePath("/two-keys.gpg");
}

// Key rings of a key made by GnuPG 1.4 with its defaults (SHA-1
// self-signatures), as program folders from before hold: Jiro Tanaka
// <jiro@example.com>, passphrase "password1"; secring.gpg, pubring.gpg and
// fingerprint.txt, with a trailing separator.
std::string OldStyleKeyFolder();

// The files in `folder` that a key ring change makes and removes again
// (copies, kept rings, markers).
std::vector<std::string> ChangeFilesIn(const std::string& folder);

// A program folder with the real GnuPG and a copy of the user's key rings.
struct UserFolder {
    explicit UserFolder(const TestUser& user);
    ProgramFolder folder;
    std::string homeDir = folder.PathOf("conf");
    std::string secretKeyring = folder.PathOf("conf/secring.gpg");
    std::string publicKeyring = folder.PathOf("conf/pubring.gpg");
    std::string passphrase;
};

}  // namespace test_support
