// A second program for the Windows file-layer tests: holds a file open without
// sharing it for a while, as a virus scanner or an indexer does.
//
//   svx_hold_file PATH MILLISECONDS READY
//
// READY is created once the file is held, so that a test knows when to start.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE held = ::CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 1;
  HANDLE ready = ::CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (ready != INVALID_HANDLE_VALUE) ::CloseHandle(ready);
  ::Sleep(static_cast<DWORD>(std::atol(argv[2])));
  ::CloseHandle(held);
  return 0;
}
