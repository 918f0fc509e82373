// Writes the user's own public key to a file that can be handed out.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

ResultCode ExportWorkflow(ui::Window owner, KeyPaths* keyPaths);
