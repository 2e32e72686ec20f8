// Resource ids shared by the resource scripts and the C++ code.
#pragma once

// Icons: the application icon and the job-state balls. State i (0..4) is icon
// kStateIconFirst + i; there is deliberately no icon for state 5.
#define IDI_APP 107
#define IDI_STATE_FIRST 150

// Dialog templates.
#define IDD_MAIN 111
#define IDD_FILE_PARAMS 112
#define IDD_ABOUT 113
#define IDD_SETTINGS 114
#define IDD_COLORS 115
