// The about box (dialog 109), shown modally over `owner`; the Windows
// program's window code holds it.
#pragma once

#include "platform/ui.h"

void ShowAboutBox(ui::Window owner);
