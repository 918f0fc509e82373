// Gives the secret key a new passphrase and caches it for the run.
#pragma once

#include "engine/result_codes.h"

ResultCode PassphraseChangeWorkflow();
