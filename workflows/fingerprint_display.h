// Shows the fingerprint of the user's own key or of a received key file,
// and offers to copy it to the clipboard.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

ResultCode OwnFingerprintWorkflow(ui::Window owner, KeyPaths* keyPaths);
ResultCode KeyInfoWorkflow(ui::Window owner, KeyPaths* keyPaths);
ResultCode OfferFingerprintCopy(ui::Window owner, const char* text, const char* fingerprint);
