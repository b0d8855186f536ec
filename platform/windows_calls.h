#pragma once
// The Windows calls of the engine and of the program's entry, kept apart from the Qt files so that
// the Windows build of the layers below Qt compiles them too. Other systems have no such calls.

#ifdef _WIN32
// Whether the Escape key is down at this moment, whichever window has the keyboard.
bool EscapeKeyDownNow();

// A window program has no console: its standard output and error go to the console it was
// started from, if there is one.
void UseParentConsole();
#endif
