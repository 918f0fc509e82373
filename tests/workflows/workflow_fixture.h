// A program folder set up as the program would have it after a start by
// Taro: his key rings in conf/, Hanako's public key in pubkey/, the key
// paths and the cached passphrase in gAppState, and the scripted ui.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/app_state.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_keys.h"

namespace test_support {

class WorkflowTest : public ::testing::Test {
protected:
    UserFolder taro{Taro()};
    std::string pubkeyFolder = taro.folder.PathOf("pubkey/");
    std::string hanakoKey = taro.folder.PathOf("pubkey/hanako.gpg");
    std::string taroKey = taro.folder.PathOf("pubkey/taro.gpg");
    // Windows that only need to be told apart.
    int mainWindowTag = 0;
    int statusBarTag = 0;

    void SetUp() override {
        fake_ui::Reset();
        gAppState = AppState{};
        gAppState.mainWindow = &mainWindowTag;
        gAppState.statusBar = &statusBarTag;
        KeyPaths& keys = gAppState.work.keyPaths;
        std::strcpy(keys.homeDir, taro.homeDir.c_str());
        std::strcpy(keys.secretKeyring, taro.secretKeyring.c_str());
        std::strcpy(keys.publicKeyring, taro.publicKeyring.c_str());
        std::strcpy(keys.passphrase, taro.passphrase.c_str());
        MakeFolderAt(taro.folder.PathOf("pubkey"));
        CopyFile(PublicKeyFileOf(Hanako()), hanakoKey);
        CopyFile(PublicKeyFileOf(Taro()), taroKey);
    }

    WorkContext* Context() { return &gAppState.work; }
    KeyPaths* Keys() { return &gAppState.work.keyPaths; }
    ui::Window MainWindow() { return &mainWindowTag; }

    // Whether GnuPG was asked to do the operation: the wait cursor is shown
    // only around it.
    static bool OperationRan() {
        for (const std::string& event : fake_ui::events) {
            if (event == "wait cursor") {
                return true;
            }
        }
        return false;
    }
};

}  // namespace test_support
