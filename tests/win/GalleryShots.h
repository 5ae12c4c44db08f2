// What the screenshot galleries share: pumping messages for a while, saving a window as a PNG,
// and running code once a modal loop is up (a one-shot thread timer).
#pragma once

#include <functional>
#include <string>

#include "LuUi.h"

// Processes window messages for about ms milliseconds.
void PumpMessages(int ms);
// Repaints the window, lets it settle and saves it as folder\name; prints what it did.
bool SaveWindowShot(HWND hwnd, const std::u16string& folder, const std::u16string& name);
// Runs action once, delay ms from now, from inside whatever message loop is running then.
void RunFromMessageLoop(int delay, std::function<void()> action);
