// The main window's command handler: menu commands and ModeButton clicks.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

// The operations the commands start. The program runs the real ones
// (kProgramCommands); a caller may hand in others.
struct CommandEntries {
    ResultCode (*startEncrypt)(const char* dropList);
    ResultCode (*startDecrypt)(const char* dropList);
    ResultCode (*startSign)(const char* dropList);
    ResultCode (*startVerify)(const char* dropList);
    ResultCode (*keyInfo)(ui::Window owner, KeyPaths* keyPaths);
    ResultCode (*exportKey)(ui::Window owner, KeyPaths* keyPaths);
    ResultCode (*ownFingerprint)(ui::Window owner, KeyPaths* keyPaths);
    ResultCode (*changePassphrase)(ui::Window owner, KeyPaths* keyPaths);
};
extern const CommandEntries kProgramCommands;

void DispatchCommand(ui::Window mainWindow, unsigned commandId,
                     const CommandEntries& entries = kProgramCommands);
