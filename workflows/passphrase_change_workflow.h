// Gives the secret key a new passphrase and caches it for the run.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

// Asks for the current passphrase and the new one twice (prompts owned by
// `owner`), has GnuPG change it and replaces keyPaths->passphrase. 0 when
// the passphrase was changed; the caller tells the user.
ResultCode PassphraseChangeWorkflow(ui::Window owner, KeyPaths* keyPaths);
