#pragma once
// The main window's title: the program version, the setup file in use and the crank's link.

// The program version shown in every window title.
constexpr const char* programVersion = "1.6 (110126) ";

// "(Waiting connection ->)": before the crank has identified itself.
void ShowStartupTitle();
// "( Connected to ZAN -> SW_.. SN_... )", followed by the mark ("*RD*" after a load, "#WR#"
// after a save) when one is given.
void ShowConnectedTitle(const char* mark);
