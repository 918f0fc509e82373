#include "workflows/run_progress.h"

#include "engine/gpg_runner.h"

namespace {

void ShowFigures(std::uint64_t done, std::uint64_t total, void* window) {
    ui::ShowProgress(window, done, total);
}

}  // namespace

RunProgress::RunProgress(ui::Window owner, const char* fileName)
    : window_(ui::OpenProgressWindow(owner, fileName, CancelGpgRun)) {
    SetGpgProgressSink(ShowFigures, window_);
}

RunProgress::~RunProgress() {
    SetGpgProgressSink(nullptr, nullptr);
    ui::CloseProgressWindow(window_);
}
