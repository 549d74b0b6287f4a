// Win32 only: where the process may load DLLs from, settled before any code of
// the program runs.
//
// The program runs with administrator rights and is usually started from the
// folder it was unpacked into: a Downloads folder, next to the patch. A DLL
// that the system loads at run time by bare name (the themes, parts of the
// shell's folder browser) is otherwise looked for in the program's folder
// first, and in the current folder, so a DLL a web page left there would run
// elevated. The program's static imports are all DLLs Windows takes from the
// system folder anyway (tests/win32/check-program holds them to that).
#include <windows.h>

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

void NTAPI RestrictDllSearch(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_PROCESS_ATTACH) return;
  // Windows 7 has this call only with update KB2533623. Looked up rather than
  // imported, so that the program still starts there; removing the current
  // folder below is then what protects it.
  if (HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll")) {
    FARPROC found = ::GetProcAddress(kernel, "SetDefaultDllDirectories");
    // Through void (*)(void), the one function type GCC lets stand for any.
    auto setDefault =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  // Also handed on to the processes the program starts: the patch, too, then
  // finds no DLL in the current folder; its own folder is still searched.
  ::SetDllDirectoryW(L"");
}

}  // namespace

// A TLS callback is the first code of the program the loader runs, once the
// static imports are in: before the C runtime's start-up, the static
// constructors and WinMain, any of which might load a DLL. The loader calls
// the callbacks in the order of their .CRT$XL* sections; the runtime's own are
// in .CRT$XLC and later.
extern "C" __attribute__((used, section(".CRT$XLB")))
const PIMAGE_TLS_CALLBACK svx_restrict_dll_search = RestrictDllSearch;
