// The user-interface services that the engine, the workflows and the shell
// logic need, as plain functions. The Windows program links the real
// definitions (platform/win32); tests link a scripted stand-in that records
// every request and answers from a script.
#pragma once

namespace ui {

// A window of the platform (HWND on Windows), or nullptr for none.
using Window = void*;

// Message box styles and answers, with the values Windows gives them.
inline constexpr unsigned kBoxOk = 0x0;
inline constexpr unsigned kBoxOkCancel = 0x1;
inline constexpr unsigned kBoxYesNo = 0x4;
inline constexpr unsigned kBoxIconQuestion = 0x20;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// Shows a modal message box and returns the button that closed it.
int ShowMessageBox(Window owner, const char* text, const char* caption, unsigned style);

}  // namespace ui
