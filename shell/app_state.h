// The process-wide record of the program. It lives for the whole run,
// starts zero-filled and is never freed.
#pragma once

#include <cstdint>

#include "platform/ui.h"
#include "workflows/work_context.h"

struct AppState {
    void* instance;  // the program's own module (HINSTANCE on Windows)
    ui::Window mainWindow;
    ui::Window toolBar;
    ui::Window encryptButton;  // ModeButton 39
    ui::Window decryptButton;  // ModeButton 40
    ui::Window signButton;     // ModeButton 41
    ui::Window verifyButton;   // ModeButton 42
    ui::Window statusBar;
    char helpFilePath[260];  // the program folder followed by manual.chm
    char dropHint[260];      // string 38, painted in the client area
    WorkContext work;        // keyPaths, encryptNoSign, decryptNoVerify
    std::int32_t buttonWidth;
    std::int32_t buttonHeight;
};

extern AppState gAppState;
