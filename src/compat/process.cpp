// The process frame's calls. The program's own module is a token: nothing is
// loaded from it natively. COM has nothing to prepare here.
#include <windows.h>

#include <cstdlib>

namespace {
HINSTANCE__ programModule;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  return moduleName == nullptr ? &programModule : nullptr;
}

// Ends the process as exit() does, so buffered output and the leak check still run.
void WINAPI ExitProcess(UINT exitCode) { std::exit(static_cast<int>(exitCode)); }

HRESULT WINAPI CoInitialize(LPVOID) { return S_OK; }
