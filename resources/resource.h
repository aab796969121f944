// Resource and control identifiers, shared by the resource script and the code.
#pragma once

#define IDR_MAINFRAME 128
#define IDR_TRAY_MENU 129
#define IDD_MAIN 102
#define IDD_AUDIO_PROPERTY 133

#define IDC_VIDEO_SETTING 1000
#define IDC_AUDIO_SETTING 1001
#define IDC_VIDEO_DEVICE 1002
#define IDC_AUDIO_DEVICE 1003
#define IDC_SNAP_PATH 1004
#define IDC_BROWSE 1005
#define IDC_GROUP_SNAP 1011
#define IDC_GROUP_VIDEO 1012
#define IDC_GROUP_AUDIO 1013
#define IDC_SPARE_COMBO 1014

// Audio effect dialog (133)
#define IDC_AUDIO_AEC 1008
#define IDC_AUDIO_NS 1009
#define IDC_AUDIO_BF 1010

#define ID_TRAY_CONSOLE 32771
#define ID_TRAY_VIDEO_SETTING 32772
#define ID_TRAY_AUDIO_SETTING 32773
#define ID_TRAY_EXIT 32775
#define ID_TRAY_SNAP_PATH 32778
// The Language submenu's items: the first listed language is 35000; a list longer
// than the range has no ids left.
#define ID_LANGUAGE_FIRST 35000
#define ID_LANGUAGE_LAST 35500

// Positions in the tray popup of the two submenus the program fills: the cameras
// found ("Device Option") and the languages.
#define TRAY_POSITION_DEVICE 3
#define TRAY_POSITION_LANGUAGE 7
