#include "platform/windows_calls.h"

#ifdef _WIN32
#include "platform/windows_api.h"

#include <cstdio>

bool EscapeKeyDownNow() {
    // The high bit says the key is down now; the low bit only that it went down since last asked.
    return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

void UseParentConsole() {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (std::freopen("CONOUT$", "w", stdout) == nullptr) return;
    if (std::freopen("CONOUT$", "w", stderr) == nullptr) return;
}
#endif
