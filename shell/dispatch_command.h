// The main window's command handler: menu commands and ModeButton clicks.
#pragma once

#include "platform/ui.h"

void DispatchCommand(ui::Window mainWindow, unsigned commandId);
