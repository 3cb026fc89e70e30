#pragma once
// The compact layouts are made for screens exactly 800 pixels wide and for
// no other width.

#include "ScreenMetrics.h"

inline bool CheckScreenSize(const ScreenMetrics& screen)
{
    return screen.displayInfo().widthPixels == 800;
}
