// The key setup form (dialog 111): what happens inside it, apart from the
// window itself. The form is opened with ui::RunKeySetupDialog.
#pragma once

#include <cstdint>

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

// The open form, for the progress callback that key generation calls; set
// by the form while it is open.
extern ui::Window gKeySetupForm;

// The create button: reads the form, checks the passphrase was typed the
// same twice, caches it, generates the key pair with the controls disabled,
// and offers to export the new public key. 0 when the form may close.
ResultCode CreateKeyFromForm(ui::Window form, KeyPaths* keyPaths);

// The progress callback: steps the form's progress bar, sets the counter
// back to 0 and repaints the form at once. Returns 0.
int StepProgressBar(std::int32_t* lineCounter);

// Removes leading and trailing spaces (0x20 only) in place.
void TrimBlanks(char* text);
