// The progress window around the GnuPG run of a file workflow: GnuPG's
// figures move its bar, and its Cancel button ends GnuPG, whose command then
// removes what the run wrote and returns 1.
#pragma once

#include "platform/ui.h"

class RunProgress {
public:
    RunProgress(ui::Window owner, const char* fileName);
    ~RunProgress();
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

private:
    ui::ProgressWindow window_;
};
