#pragma once
// <windows.h> as the station includes it: without its seldom used parts, and without its min and
// max macros, which would break std::min and std::max.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
