// What runs while the main window is being created: key paths, first start
// or passphrase check, the title, the settings.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

// True when the program may go on; any message has been shown.
bool RunStartupChecks(ui::Window mainWindow);
ResultCode ComputeKeyPaths(KeyPaths* keyPaths);
// 0 normal start, 1 first start, 2 the home folder's name is taken by a file.
int ProbeKeyFolder(const KeyPaths* keyPaths);
ResultCode PrepareFirstRun(ui::Window owner, KeyPaths* keyPaths);
ResultCode OpenKeySetupDialog(ui::Window owner, KeyPaths* keyPaths);
ResultCode CheckStartupPassphrase(ui::Window owner, KeyPaths* keyPaths);
