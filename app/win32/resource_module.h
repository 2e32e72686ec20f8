// The module whose resources (strings, dialog templates, icons) the program
// uses. The program entry sets it; until then it is the executable itself.
#pragma once

#include <windows.h>

void set_resource_module(HINSTANCE module);
HINSTANCE resource_module();
