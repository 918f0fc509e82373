// Files dropped on a window (the HDROP of a WM_DROPFILES message).
#include <windows.h>

#include <shellapi.h>

#include "platform/ui.h"

namespace ui {

int DroppedFileCount(Drop drop) {
    return static_cast<int>(DragQueryFileA(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0));
}

int DroppedFilePath(Drop drop, int index, char* buffer, int size) {
    if (size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    return static_cast<int>(DragQueryFileA(static_cast<HDROP>(drop), static_cast<UINT>(index),
                                           buffer, static_cast<UINT>(size)));
}

}  // namespace ui
