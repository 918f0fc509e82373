// Where the program's libraries may come from.
#pragma once

namespace platform {

// From now on, libraries that this process loads by name (its own calls and
// those the system makes on its behalf) come from the system folder only,
// never from the program's folder or the current one. False where Windows
// lacks the call (Windows 7 without its update); the search is then as before.
bool LoadLibrariesFromSystemFolderOnly();

}  // namespace platform
