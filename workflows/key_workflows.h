// The key operations of the menu.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

ResultCode ExportWorkflow(ui::Window owner, KeyPaths* keyPaths);
ResultCode OwnFingerprintWorkflow(ui::Window owner, KeyPaths* keyPaths);
ResultCode KeyInfoWorkflow(ui::Window owner, KeyPaths* keyPaths);
ResultCode PassphraseChangeWorkflow();
