// Plain text onto the Windows clipboard.
#include <windows.h>

#include <cstring>

#include "platform/ui.h"

namespace ui {

namespace {

constexpr int kOutOfMemory = 3;
constexpr int kMemoryLock = 46;
constexpr int kClipboardOpen = 47;

}  // namespace

int PutTextOnClipboard(const char* text) {
    std::size_t size = std::strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) {
        return kOutOfMemory;
    }
    void* memory = GlobalLock(block);
    if (memory == nullptr) {
        GlobalFree(block);
        return kMemoryLock;
    }
    std::memcpy(memory, text, size);
    GlobalUnlock(block);

    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return kClipboardOpen;
    }
    EmptyClipboard();
    // Once handed over the block belongs to the clipboard. If the hand-over
    // is refused it is still ours: free it and report the failure rather
    // than claim the text was copied.
    if (SetClipboardData(CF_TEXT, block) == nullptr) {
        CloseClipboard();
        GlobalFree(block);
        return kClipboardOpen;
    }
    CloseClipboard();
    return 0;
}

}  // namespace ui
