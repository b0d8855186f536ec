#pragma once
// The main window's title: the program version, the setup file in use and the crank's link.

#include "link/link_state.h"
#include "setup/setup_state.h"

#include <cstddef>

// The program version shown in every window title.
constexpr const char* programVersion = "1.6 (110126) ";
// Titles are at most 255 characters and their terminator.
constexpr std::size_t titleSize = 256;

// "(Waiting connection ->)": before the crank has identified itself.
void StartupTitle(const SetupState& setup, char* title, std::size_t size);
// "( Connected to ZAN -> SW_.. SN_... )", followed by the mark ("*RD*" after a load, "#WR#"
// after a save) when one is given.
void ConnectedTitle(const SetupState& setup, const LinkState& link, const char* mark, char* title,
                    std::size_t size);
// "( Link lost -> SW_.. SN_... )": the crank that identified itself sends no more frames.
void LinkLostTitle(const SetupState& setup, const LinkState& link, char* title, std::size_t size);
