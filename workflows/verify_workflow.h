// Checks a detached signature against a chosen public key file.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

// `droppedFile` is a dropped file's full path, or nullptr to ask for it.
// Asks for what is missing, runs GnuPG and returns a result code; shows no
// message of its own.
ResultCode VerifyWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile);
// The same; a 0 also puts into `signer` (at least 256 bytes) the signer's
// user ID as the key file's listing gives it.
ResultCode VerifyWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile,
                          char* signer);
