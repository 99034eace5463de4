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

// Strings of the settings sheet and the bookmark converter.
#define IDS_PAGE_TYPE_BOOKMARK 117 // "Quorvane Bookmark"
#define IDS_SHEET_CAPTION 132      // "Halvo Web Properties"
#define IDS_FILE_EXISTS 171        // "This file already exists.\n..."
#define IDS_OPEN_FILE_FAILED 192
#define IDS_NO_SOURCE 193          // "Invalid choice. Please select a source.\n"
#define IDS_LIST_FAILED 194        // "Unable to display information"
#define IDS_CREATE_FAILED 195
#define IDS_SAVE_FAILED 196
#define IDS_IMPORT_FAILED 197      // "Unable to import bookmark file."
#define IDS_CANNOT_CUT 198
#define IDS_NO_MEMORY 199
#define IDS_CANNOT_COPY 200
#define IDS_SAME_FOLDER 201
#define IDS_NEW_BOOKMARK 250       // "new bookmark"
#define IDS_NEW_URL 251            // "http://"
#define IDS_NEW_FOLDER 253         // "New Folder"
#define IDS_NO_ADDRESS 263         // "none"

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
