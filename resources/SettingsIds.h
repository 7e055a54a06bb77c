// Resource identifiers of the configuration dialog and the about box.
#pragma once

#define IDD_CONFIG 2003
#define IDD_ABOUT  235

// configuration dialog
#define IDC_VIDEO_GROUP        800
#define IDC_SOUND_GROUP        801
#define IDC_MISC_GROUP         803
#define IDC_OPTIONS_GROUP      805
#define IDC_PRODUCTS_GROUP     810
#define IDC_PRODUCTS_TEXT      811
#define IDC_MODE_BOX           1011
#define IDC_USE_DESKTOP        1012
#define IDC_VOLUME             1020
#define IDC_MUSIC              1021
#define IDC_SFX                1022
#define IDC_VOLUME_LABEL       1023
#define IDC_SHOW_TIME          1043
#define IDC_SHOW_FPS           1044
#define IDC_EXIT_ON_MOUSE_MOVE 1045
#define IDC_VISIT              1061
#define IDC_ABOUT              1062
#define IDC_RESTORE_DEFAULTS   1063
#define IDC_24H                1110
#define IDC_12H                1111
#define IDC_REFLECTION         1118
#define IDC_RAIN               1119
#define IDC_LEAVES             1120
#define IDC_RAIN_AMOUNT        1121
#define IDC_LEAF_AMOUNT        1122

// about box: the seven text lines
#define IDC_ABOUT_LINE1 701
