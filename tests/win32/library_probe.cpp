// A library that the library search test plants beside its program under
// names the system folder lacks.
extern "C" __declspec(dllexport) int QuilletLibraryProbe() {
    return 1;
}
