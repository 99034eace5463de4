/* Resource numbers of detres.dll, shared by detres.rc and the detector. */
#ifndef DETRES_IDS_H
#define DETRES_IDS_H

/* strings */
#define IDS_BROWSE_FILTER     1
#define IDS_GENERAL_TITLE     2
#define IDS_START_FAILED      5
#define IDS_SHEET_CAPTION     7
#define IDS_INFO_PROGRAM      10
#define IDS_INFO_VERSION      11
#define IDS_INFO_COPYRIGHT    13
#define IDS_INFO_TITLE        14
#define IDS_PLAYERS_TITLE     15
#define IDS_LAUNCH_TITLE      16
#define IDS_LAST_PLAYER       18
#define IDS_BROWSE_TITLE      19
#define IDS_KIND_MIXED        20
#define IDS_KIND_AUDIO        21
#define IDS_KIND_QMCD         22
#define IDS_KIND_VIDEO        23
#define IDS_PLAYERS_ROOT      24
#define IDS_COLUMN_DESCRIPTION 25
#define IDS_COLUMN_COMMAND    26
#define IDS_COLUMN_PARAMETERS 27
#define IDS_TRAY_TIP          28
#define IDS_NO_RECEIVER       29
#define IDS_DETECTOR_CAPTION  31
#define IDS_ALREADY_RUNNING   32
#define IDS_NO_PLAY_COMMAND   34
#define IDS_REMOVE_PLAYER     35
#define IDS_REMOVE_ENTRIES    36
#define IDS_KIND_CDI          37
#define IDS_BAD_MOUSE_STEP    38
#define IDS_RESTART           39

/* icons */
#define IDI_DETECTOR          101
#define IDI_BROWSE            112

/* menu */
#define IDM_TRAY              104
#define IDM_QUIT              40003
#define IDM_SETTINGS          40007
#define IDM_PLAY_AUDIO        40009
#define IDM_PLAY_MIXED        40014
#define IDM_PLAY_VIDEO        40015
#define IDM_PLAY_QMCD         40016
#define IDM_HELP              40017
#define IDM_PLAY_CDI          40018

/* bitmaps */
#define IDB_LAUNCHER          148
#define IDB_MOUSE_OFF         201
#define IDB_MOUSE_ON          202
#define IDB_SHIFT_OFF         203
#define IDB_SHIFT_ON          204
#define IDB_TREE_KIND         139
#define IDB_TREE_PLAYER       140
#define IDB_TREE_ROOT         141
#define IDB_TREE_DEFAULT      142
/* Bitmaps 139-142 are drawn on magenta: the image lists' mask colour, as a
   COLORREF (0x00bbggrr). */
#define DETRES_IMAGE_MASK     0x00FF00FFUL

/* dialogs */
#define IDD_LAUNCH_PAGE       7
#define IDD_GENERAL_PAGE      105
#define IDD_PLAYERS_PAGE      106
#define IDD_INFO_PAGE         137
#define IDD_EDIT_PLAYER       143
#define IDD_ADD_PLAYER        144
#define IDD_APPLICATION       146
#define IDD_MIXED_MODE        151

/* controls: general page */
#define IDC_VOICE             1000
#define IDC_MIXED_GROUP       1006
#define IDC_MIXED_INSTALL     1007
#define IDC_MIXED_PLAY        1009
#define IDC_MIXED_ASK         1010
#define IDC_MOUSE_SPIN        1039
#define IDC_MOUSE_STEP        1040
#define IDC_REMOTE_LIST       1043

/* controls: information page */
#define IDC_INFO_PROGRAM      1012
#define IDC_INFO_VERSION      1013
#define IDC_INFO_COPYRIGHT    1015

/* controls: players page and its dialogs */
#define IDC_PLAYER_TREE       1018
#define IDC_MAKE_DEFAULT      1019
#define IDC_ADD_PLAYER        1021
#define IDC_REMOVE_PLAYER     1022
#define IDC_PLAYER_PATH       1026
#define IDC_PLAYER_NAME       1027
#define IDC_PLAYER_BROWSE     1028

/* controls: launch list page and dialog 146 */
#define IDC_LAUNCH_LIST       1029
#define IDC_ADD_ENTRY         1030
#define IDC_REMOVE_ENTRY      1031
#define IDC_ENTRY_DESCRIPTION 1035
#define IDC_ENTRY_PARAMETERS  1036
#define IDC_ENTRY_COMMAND     1037
#define IDC_ENTRY_BROWSE      1038

/* controls: mixed-mode dialog 151 */
#define IDC_MIXED_PLAY_BUTTON    1045
#define IDC_MIXED_INSTALL_BUTTON 1046

/* help: the help file and the topic of dialog 151 */
#define DETECTOR_HELP_FILE    "mmcu.hlp"
#define HELP_TOPIC_MIXED_MODE 118

#endif
