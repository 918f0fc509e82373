// The four file operations: each asks for what is missing, runs GnuPG and
// returns a result code; none shows a message of its own.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

// `droppedFile` is a dropped file's full path, or nullptr to ask for it.
ResultCode EncryptWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile);
ResultCode DecryptWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile);
ResultCode SignWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile);
ResultCode VerifyWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile);
