// Loads the DLL named on the command line by bare name, as a system DLL's
// delay-load helper does on Windows, and prints the file it got. Built twice:
// with the program's own start-up restriction (app/win32/DllSearch.cpp) and
// without it.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DLL-NAME\n", argv[0]);
    return 2;
  }
  HMODULE module = ::LoadLibraryExA(argv[1], nullptr, 0);
  if (module == nullptr) {
    std::printf("not loaded (error %lu)\n", ::GetLastError());
    return 1;
  }
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(module, path, MAX_PATH);
  std::printf("%ls\n", path);
  return 0;
}
