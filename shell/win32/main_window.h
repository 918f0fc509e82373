// The program's one window: four ModeButtons on a tool strip at the top, a
// status bar at the bottom, and a hint to drop a file in between.
#pragma once

#include <windows.h>

// Registers the window class, creates the main window (which runs the whole
// start-up) and runs the message loop until the window is closed. Returns
// the exit code.
int RunApplication(HINSTANCE instance, int showMode);

// The DPI of a screen at 100 %, against which the program's own pixel sizes
// are given.
inline constexpr int kScreenBaseDpi = 96;
// `pixels` at 96 DPI scaled to the screen's DPI (the program is DPI aware:
// Windows leaves the scaling of its own sizes to it).
int ScaleForScreen(int pixels);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The creation of the main window: its layout, then the start-up checks.
// False refuses the creation.
bool StartUp(HWND mainWindow);
HWND CreateModeButton(HWND toolBar, int id, int index);
void PaintDropHint(HWND mainWindow);
void ResizeBars(HWND mainWindow, int width, int height);
void CloseMainWindow(HWND mainWindow);
void DestroyMainWindow(HWND mainWindow);
