// Resource identifiers of surfres.dll, shared by surfres.rc and the code.
#pragma once

// Strings.
#define IDS_TITLE 110             // "Halvo Web"
#define IDS_REMOTE_LIBRARY 118    // "beamhub.dll"
#define IDS_PROGRAM_FILE 127      // "surfdeck.exe"
#define IDS_TILE_FILE 128         // "zk_tile0.gif"
#define IDS_DEFAULT_TYPE_USED 130 // "01,02,00"
#define IDS_NO_BROWSER 173        // "Unable to connect to browsers.\n..."
#define IDS_NO_REMOTE 174         // "BEAMHUB.DLL was not loaded."
#define IDS_NO_BOOKMARK 175       // "Unable to open Quorvane Bookmark. Please configure one."
#define IDS_MANUAL_INTERVENTION 176
#define IDS_ALREADY_RUNNING 191   // "Application is already running."
#define IDS_NOT_BOOKMARK_FILE 202 // "This is not a Quorvane bookmark file.\n"
#define IDS_FIRST_LABEL 210       // button labels 210-238
#define IDS_LAST_LABEL 238
#define IDS_FLAG_ICON 270         // "icon"
#define IDS_FLAG_VERBOSE 271      // "verbose"

// The main frame's menu and icon, and the About box.
#define IDR_MAINFRAME 300
#define IDD_ABOUT 100
#define IDC_ABOUT_ICON 1000
#define IDC_ABOUT_VERSION 1001

// Commands.
#define ID_VIEW_RELOAD_LINKS 32771
#define ID_CONFIGURE_PROPERTIES 32772
#define ID_CONFIGURE_CONVERTER 32773
#define ID_APP_EXIT 32774
#define ID_HELP_TOPICS 32775
#define ID_APP_ABOUT 32776
