// Resource identifiers of qemliv32.dll, shared by qemliv32.rc and the code.
// Every control has an id of its own (none is -1): a dialog holding a
// static with id 0xFFFF reads as a message box to tools that look for them.
#pragma once

// The idle picture, drawn in the video rectangle while nothing plays.
#define IDB_IDLE 104
// The logo animation: bitmaps named "LOGO1" ... "LOGO31".
#define QEM_LOGO_FRAMES 31
#define QEM_LOGO_NAME_FORMAT "LOGO%d"

// The "Setup" sheet's pages.
#define IDD_SETUP_PREFERENCES 200
#define IDD_SETUP_SETTINGS 201
#define IDD_SETUP_USER_DETAILS 202
// "About QEMLive Player".
#define IDD_ABOUT 210

// "Preferences"
#define IDC_STATISTICS 1001
#define IDC_AUDIO_CTLS 1002
#define IDC_INTERLACED 1003
#define IDC_PLAYER4FULLSCREEN 1004
#define IDC_PLAYER4FULLSCREEN_MORE 1005
#define IDC_SLIDE_MODE 1006

// "Settings"
#define IDC_AUTO_DATA_PORT 1011
#define IDC_DATA_PORT_LABEL 1012
#define IDC_DATA_PORT 1013
#define IDC_BUFFER_SIZE_LABEL 1014
#define IDC_BUFFER_SIZE 1015

// "User details"
#define IDC_NAME_LABEL 1021
#define IDC_NAME 1022
#define IDC_COMPANY_LABEL 1023
#define IDC_COMPANY 1024
#define IDC_EMAIL_LABEL 1025
#define IDC_EMAIL 1026

// About box
#define IDC_ABOUT_PRODUCT 1031
#define IDC_SYSTEM_INFO_LABEL 1032
#define IDC_SYSTEM_INFO 1033
#define IDC_COPY 1034

// Strings
#define IDS_SETUP_CAPTION 300
#define IDS_PAGE_PREFERENCES 301
#define IDS_PAGE_SETTINGS 302
#define IDS_PAGE_USER_DETAILS 303
