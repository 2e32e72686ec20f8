// Resource ids shared by the resource scripts, the code and the tests: every
// dialog, control, icon and timer by name. The texts' names are in
// res/string_ids.h.
#pragma once

// ---- Icons -----------------------------------------------------------------
// The application icon and the job-state balls: state i (0..4) is icon
// IDI_STATE_FIRST + i; there is deliberately no icon for state 5.
#define IDI_APP 107
#define IDI_STATE_QUEUED 150
#define IDI_STATE_RUNNING 151
#define IDI_STATE_ERROR 152
#define IDI_STATE_COMPLETED 153
#define IDI_STATE_WAITING 154
#define IDI_STATE_FIRST IDI_STATE_QUEUED

// A control the code never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- Dialog templates ------------------------------------------------------
#define IDD_MAIN 111
#define IDD_FILE_PARAMS 112
#define IDD_ABOUT 113
#define IDD_SETTINGS 114
#define IDD_COLORS 115

// ---- Main window (111) -----------------------------------------------------
#define IDC_START 1000
#define IDC_STOP 1001
#define IDC_SETTINGS 1002
#define IDC_ADD 1003
#define IDC_DELETE 1004
#define IDC_UP 1005
#define IDC_DOWN 1006
#define IDM_SELECT_ALL 1007  // a command of the context menu only
#define IDC_ABOUT 1008
#define IDC_FILE_LIST 1009
#define IDC_LOG 1010
#define IDM_ADD_FOLDER 1069  // a command of the context menu only
#define IDC_PROGRESS 1041
#define IDC_STATUS 1042
#define IDT_REFRESH 1025    // the refresh timer
#define IDT_LOG_PAINT 1027  // paints the log lines added since the last paint

// ---- File parameters (112) -------------------------------------------------
#define IDC_SOURCE_PATH 1011
#define IDC_DEST_PATH 1012
#define IDC_FILE_BUFFER_SIZE 1013
#define IDC_FILE_RETRY_TIMEOUT 1014
#define IDC_SOURCE_LABEL 1016
#define IDC_DEST_LABEL 1017
#define IDC_FILE_BUFFER_SIZE_LABEL 1018
#define IDC_FILE_RETRY_TIMEOUT_LABEL 1019
#define IDC_FILE_INFO 1020
#define IDC_FILE_STATE_ICON 1021
#define IDC_FILE_PROGRESS 1022
#define IDC_FILE_HOLES 1070  // the holes of the file, one a line
#define IDT_FILE_PARAMS 1026  // the dialog's refresh timer

// ---- Global settings (114) -------------------------------------------------
#define IDC_RETRY_TIMEOUT 1023
#define IDC_MAX_ATTEMPTS 1024
#define IDC_BUFFER_SIZE 1025
#define IDC_DEST_FOLDER 1026
#define IDC_REFRESH_INTERVAL 1027
#define IDC_RETRY_TIMEOUT_LABEL 1028
#define IDC_MAX_ATTEMPTS_LABEL 1029
#define IDC_BUFFER_SIZE_LABEL 1030
#define IDC_DEST_FOLDER_LABEL 1031
#define IDC_REFRESH_INTERVAL_LABEL 1032
#define IDC_BROWSE 1033
#define IDC_COLOR_SCHEME 1034
#define IDC_RESUME 1035
#define IDC_AUTOSCROLL 1036
#define IDC_COPY_GROUP 1037
#define IDC_MORE_GROUP 1038

// ---- Colour scheme (115) ---------------------------------------------------
// Five groups k = 0..4 (default, then the states queued, running, error,
// completed), each with a text and a background label and swatch.
#define IDC_COLORS_HINT 1039
#define IDC_TEXT_LABEL_FIRST 1040  // group k: 1040 + 2k; its background label 1041 + 2k
#define IDC_SWATCH_FIRST 1050      // group k: text 1050 + 2k, background 1051 + 2k
#define IDC_SWATCH_LAST 1059
#define IDC_COLOR_GROUP_FIRST 1060  // group k: 1060 + k

// ---- About (113) -----------------------------------------------------------
#define IDC_ABOUT_ICON 1065
#define IDC_ABOUT_NAME 1066
#define IDC_ABOUT_HISTORY 1067
#define IDC_ABOUT_DISCLAIMER 1068
