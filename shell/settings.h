// The settings file conf/Quillet.ini beside the program: the two settings
// (do not sign when encrypting, do not verify when decrypting) and the
// menu's check marks that show them.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"

// Reads the file into gAppState.work: 0 (also when there is no file), 50
// when reading fails, 51 when the file holds 4095 bytes or more.
ResultCode ReadSettings();
// Writes the 47-byte file from gAppState.work: 0 or 49.
ResultCode WriteSettings();
// The decimal value of `key` in `section` of the settings text, or
// `defaultValue` when it cannot be read.
int ReadIniInteger(const char* text, const char* section, const char* key, int defaultValue);
// Sets the check marks of menu items 40014 and 40013 from the two settings.
void UpdateSettingsMenu(ui::Window mainWindow);
