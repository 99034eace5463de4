/* Resource numbers of mcures.dll, shared by mcures.rc, the panel's core
   (which names its messages by string number) and the panel program. Plain
   defines only: windres reads this file too. */
#ifndef MCURES_IDS_H
#define MCURES_IDS_H

/* strings: messages and captions */
#define IDS_OPEN_AUDIO_FAILED    1   /* "Unable to open Audio player" */
#define IDS_ERROR_CAPTION        2   /* "Halvo Multimedia Deck error" */
#define IDS_AUDIO_NOT_INSERTED   3
#define IDS_QMCD_NOT_INSERTED    4
#define IDS_REGISTER_FAILED      5
#define IDS_NO_RECEIVER          6
#define IDS_OPEN_AVI_FAILED      7
#define IDS_OPEN_WAVE_FAILED     8
#define IDS_OPEN_MIDI_FAILED     9
#define IDS_NO_TIMER             10
/* 11 + MediaKind: the disc format */
#define IDS_FORMAT_FIRST         11
#define IDS_FORMAT_AVI           11
#define IDS_FORMAT_AUDIO         12
#define IDS_FORMAT_MIDI          13
#define IDS_FORMAT_MIXED         14
#define IDS_FORMAT_QMCD          15
#define IDS_FORMAT_VIDEO         16
#define IDS_FORMAT_WAVE          17
#define IDS_FORMAT_NO_DISC       18
#define IDS_FORMAT_CDI           19
/* tooltips */
#define IDS_TIP_PAUSE            20
#define IDS_TIP_SKIP_BACK        21
#define IDS_TIP_PLAY             22
#define IDS_TIP_SKIP_FORWARD     23
#define IDS_TIP_STOP             24
#define IDS_TIP_NEXT             25
#define IDS_TIP_EJECT            26
#define IDS_TIP_REPEAT           27
#define IDS_TIP_VOLUME           28
#define IDS_OPEN_VIDEO_FAILED    29
#define IDS_TIP_MUTE             30
#define IDS_TIP_DISC_TYPE        31
#define IDS_TIP_POWER            32
#define IDS_TIP_PLAY_LIST        33
#define IDS_TIP_PREVIOUS         34
/* folders and extensions of a multimedia CD */
#define IDS_FOLDER_WAVE          35
#define IDS_FOLDER_MIDI          36
#define IDS_FOLDER_AVI           37
#define IDS_EXT_WAVE             38
#define IDS_EXT_MIDI             39
#define IDS_EXT_AVI              40
/* albums */
#define IDS_CONFIRM_DELETE       41
#define IDS_DELETE_ALBUM         42
#define IDS_CDI_NOT_INSERTED     43
#define IDS_MIXED_NOT_INSERTED   44
#define IDS_VIDEO_NOT_INSERTED   45
#define IDS_BAD_SWITCH           46
#define IDS_PANEL_TITLE          47  /* "Halvo Multimedia Deck" */
#define IDS_NO_HELP              48
#define IDS_OPEN_CDI_FAILED      49
#define IDS_NO_ALBUM_NAME        50
#define IDS_CDI_MOVIE            51
#define IDS_ALBUM_EXISTS         56
#define IDS_CONFIRM_REPLACE      57
#define IDS_DRIVE_IN_USE         58

/* menu 178 "PowerPopup" and the status texts of its items */
#define IDM_POWER_POPUP          178
#define IDM_HELP                 32775
#define IDM_ABOUT                32776
#define IDM_CLOSE                32777
#define IDM_MINIMIZE             32778
#define IDS_MENU_STATUS_FIRST    32771
#define IDS_MENU_STATUS_LAST     32777

/* dialogs */
#define IDD_PANEL                102
#define IDD_PLAY_LIST            144
#define IDD_ABOUT                210
#define IDD_NEW_ALBUM            223

/* the panel's controls */
#define IDC_POWER                1002
#define IDC_PLAY_LIST            1003
#define IDC_PREVIOUS             1004
#define IDC_PAUSE                1005
#define IDC_SKIP_BACK            1006
#define IDC_PLAY                 1007
#define IDC_SKIP_FORWARD         1008
#define IDC_STOP                 1009
#define IDC_NEXT                 1010
#define IDC_EJECT                1011
#define IDC_REPEAT               1012
#define IDC_DISC_TYPE            1013
#define IDC_VOLUME               1014
#define IDC_MUTE                 1015

/* dialog 144, the Play List, and 223, New Album */
#define IDC_DRIVE                1016
#define IDC_FORMAT               1017
#define IDC_ALBUM_LIST           1021
#define IDC_SAVE                 1022
#define IDC_SAVE_AS              1023
#define IDC_DELETE               1024
#define IDC_ALBUM_NAME           1025
#define IDC_PLAY_LIST_HELP       1028
#define IDC_DESTINATION          1033
#define IDC_ADD                  1034
#define IDC_ADD_ALL              1035
#define IDC_REMOVE               1036
#define IDC_REMOVE_ALL           1037
#define IDC_SOURCE               1038
/* the About box's texts: ids of their own, so it is not taken for a message box */
#define IDC_ABOUT_ICON           1101
#define IDC_ABOUT_NAME           1102
#define IDC_ABOUT_VERSION        1103

/* pictures */
#define IDI_PANEL                128
#define IDB_BACKGROUND           183
#define IDCUR_INDICATOR          204
#define IDB_REPEAT               203
#define IDB_DISC_TYPE            221
#define IDB_MUTE                 237

#endif
