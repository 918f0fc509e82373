// A program folder after a start by Taro: his key rings in conf/, both public
// keys in pubkey/, the key paths and passphrase in gAppState, the scripted ui.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "shell/app_state.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_keys.h"

namespace test_support {

class WorkflowTest : public ::testing::Test {
protected:
    UserFolder taro{Taro()};
    std::string hanakoKey = taro.folder.PathOf("pubkey/hanako.gpg");
    std::string taroKey = taro.folder.PathOf("pubkey/taro.gpg");
    std::string plain = taro.folder.PathOf("report.doc");
    fake_ui::State& ui = fake_ui::state;
    int windows[6] = {};  // the main window, the status bar, the four mode buttons

    void SetUp() override {
        fake_ui::Reset();
        gAppState = AppState{};
        gAppState.mainWindow = &windows[0];
        gAppState.statusBar = &windows[1];
        gAppState.encryptButton = &windows[2];
        gAppState.decryptButton = &windows[3];
        gAppState.signButton = &windows[4];
        gAppState.verifyButton = &windows[5];
        std::strcpy(Keys()->homeDir, taro.homeDir.c_str());
        std::strcpy(Keys()->secretKeyring, taro.secretKeyring.c_str());
        std::strcpy(Keys()->publicKeyring, taro.publicKeyring.c_str());
        std::strcpy(Keys()->passphrase, taro.passphrase.c_str());
        MakeFolderAt(taro.folder.PathOf("pubkey"));
        CopyFile(PublicKeyFileOf(Hanako()), hanakoKey);
        CopyFile(PublicKeyFileOf(Taro()), taroKey);
        WriteFile(plain, "the quarterly report\n");
    }
    WorkContext* Context() { return &gAppState.work; }
    KeyPaths* Keys() { return &gAppState.work.keyPaths; }
    ui::Window MainWindow() { return gAppState.mainWindow; }
    // GnuPG was asked to do an operation: the wait cursor is shown only then.
    bool OperationRan() const {
        return std::count(ui.events.begin(), ui.events.end(), "wait cursor") > 0;
    }
};

}  // namespace test_support
