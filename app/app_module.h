// The module whose resources (strings, dialog templates, icons) the program
// uses. The program entry sets it; until then it is the executable itself.
#pragma once

#include <windows.h>

void set_app_module(HINSTANCE module);
HINSTANCE app_module();
