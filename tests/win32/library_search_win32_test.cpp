// Once the program has restricted the library search, as Quillet.exe does
// first of all, a library lying beside the program is not loaded by name,
// while the system's own libraries still are. Its own program: the
// restriction holds for the rest of the process.
//
// Wine shows this for names of its own making only: for a name of a system
// library (version.dll, hhctrl.ocx) it takes its built-in copy anyway, and
// told to prefer a planted copy it loads that as an import of its own system
// libraries before the program starts, where Windows takes a known DLL's
// imports from the system folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/library_search_win32.h"

namespace {

std::string ProgramFolder() {
    char self[MAX_PATH];
    DWORD size = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self, size);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string FileOf(HMODULE module) {
    char path[MAX_PATH];
    DWORD size = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, size);
}

}  // namespace

TEST(LibrarySearch, NothingBesideTheProgramLoadsOnceRestricted) {
    const std::string folder = ProgramFolder(), probe = folder + "library_probe.dll";
    for (const char* name : {"planted_before.dll", "planted_after.dll"}) {
        ASSERT_TRUE(CopyFileA(probe.c_str(), (folder + name).c_str(), FALSE)) << name;
    }
    // Without the restriction the program's folder comes first. The probe
    // leaves its mark when loaded (the engine's tests rely on that).
    const std::string mark = folder + "probe-loaded.mark";
    DeleteFileA(mark.c_str());
    SetEnvironmentVariableA("QUILLET_PROBE_MARK", mark.c_str());
    HMODULE before = LoadLibraryA("planted_before.dll");
    SetEnvironmentVariableA("QUILLET_PROBE_MARK", nullptr);
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(FileOf(before), folder + "planted_before.dll");
    EXPECT_NE(GetFileAttributesA(mark.c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(platform::LoadLibrariesFromSystemFolderOnly());
    EXPECT_EQ(LoadLibraryA("planted_after.dll"), nullptr);
    HMODULE help = LoadLibraryA("hhctrl.ocx");
    ASSERT_NE(help, nullptr) << "the help control is the system's";
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, FileOf(help).c_str(),
                             static_cast<int>(length), system, static_cast<int>(length)),
              CSTR_EQUAL)
        << FileOf(help);
}
