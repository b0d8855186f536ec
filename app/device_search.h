#pragma once
// The device search and the reconnection of the crank's link.

#include "app/station.h"

// Tries those of COM1 to COM64 the machine has for the crank with the given serial number. On a
// find its port becomes the one shown on the panel and kept in the port file; Escape, held when a
// port's turn begins, ends the search. Without a find it ends with a line naming the ports tried
// and where it looked for them.
void SearchZAN(Station& zan, int serialSought);
// Reopens the link on the port shown on the panel, as the link lamp and the not-connected
// dialog's Reconnect do.
void ReconnectCrank(Station& zan);
// Opens the link on the port number in use, its device "COM" and that number, and tells the
// rider in the message box when the port is there but not the station's (busy, no permission).
// Returns the open's result.
int OpenStationPort(Station& zan);
