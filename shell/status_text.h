// The status bar's one line of text.
#pragma once

#include "platform/ui.h"

// Timer 1 of the main window brings the idle text back 5 seconds after a
// file operation.
inline constexpr unsigned kStatusTimerId = 1;
inline constexpr unsigned kStatusTimerMilliseconds = 5000;

// Shows string-table text `textId` in the status bar.
void SetStatusText(int textId);
// The status timer's handler: stops timer 1 and shows the idle text of the
// selected mode.
void ResetStatusText(ui::Window mainWindow);
