// Resource identifiers shared by the .rc files and the code.
#pragma once

#define IDI_QUENMOOR       224
#define IDB_PREVIEW        432
#define IDB_CONFIG_PICTURE 434
#define IDB_ABOUT_PICTURE  437
#define IDD_NO_DIRECT3D    465
#define IDC_NO_D3D_LINE1   721
#define IDC_NO_D3D_LINE2   722
#define IDC_NO_D3D_LINE3   723
#define IDS_DESCRIPTION    1

// CustomData blobs
#define RT_CUSTOMDATA            "CustomData"
#define IDR_DATA_ARCHIVE         454
#define IDR_LOADING_SCREEN       467
#define IDR_DEFAULT_SETTINGS     470
#define IDR_LOADING_CORNER_FIRST 471
#define IDR_LABEL_TABLE          475
