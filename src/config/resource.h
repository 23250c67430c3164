// Resource and control identifiers of the module, grouped by dialog. The
// numbers are fixed: hosts, translations and stored screenshots rely on them.
// Plain defines only: the resource compiler reads this file too.
#pragma once

#define MORAVEL_VERSION_BINARY 0, 1, 0, 0
#define MORAVEL_VERSION_TEXT "0.1.0.0b"

// The docklet's name, and the texts that name it otherwise. "Corvane" reads
// as a slip for "Moravel"; the version resource's description and the
// sheet's caption have always said it, and docks and users know them so.
#define MORAVEL_NAME "Moravel Docklet"
#define MORAVEL_DESCRIPTION "Corvane Docklet"
#define MORAVEL_SHEET_CAPTION "Configure Corvane Docklet"

// The manifest that asks for version 6 of the common controls.
#define IDR_MANIFEST 2

// About box
#define IDD_ABOUT 102
#define IDB_EMBLEM 1006
#define IDC_ABOUT_TEXT 1005
#define IDC_ABOUT_PICTURE 1007
// The emblem's control as the template lays it out (dialog units)
#define ABOUT_PICTURE_WIDTH 67
#define ABOUT_PICTURE_HEIGHT 62

// Placeholder that owns the settings sheet; never shown
#define IDD_PLACEHOLDER 109

// General page
#define IDD_GENERAL 106
#define IDC_GENERAL_TITLE 1025
#define IDC_GENERAL_COMMAND 1028
#define IDC_GENERAL_PARAMETERS 1030
#define IDC_GENERAL_ICON_TEMPERATURE 1021
#define IDC_GENERAL_ICON_GRAPH 1024
#define IDC_GENERAL_HIDE_ICONS 1035
#define IDC_GENERAL_LABEL_TEMPERATURE 1031
#define IDC_GENERAL_LABEL_FULL_NAME 1034
#define IDC_GENERAL_LABEL_VENDOR 1036
#define IDC_GENERAL_LABEL_TITLE 1033
#define IDC_GENERAL_HIDE_LABEL 1023
#define IDC_GENERAL_CELSIUS 1074
#define IDC_GENERAL_FAHRENHEIT 1075

// Icon page
#define IDD_ICON 107
#define IDC_ICON_PREVIEW 1057
#define IDC_ICON_BROWSE 1033
#define IDC_ICON_RESET 1034
#define IDC_ICON_PATH 1030

// Font page
#define IDD_FONT 108
#define IDC_FONT_FACE 1049
#define IDC_FONT_SIZE 1050
#define IDC_FONT_SIZE_SPIN 1051
#define IDC_FONT_FILL_CHOOSE 1052
#define IDC_FONT_FILL_ALPHA 1053
#define IDC_FONT_FILL_PERCENT 1054
#define IDC_FONT_OUTLINE 1036
#define IDC_FONT_OUTLINE_CHOOSE 1007
#define IDC_FONT_OUTLINE_ALPHA 1028
#define IDC_FONT_OUTLINE_PERCENT 1032
#define IDC_FONT_SHADOW 1037
#define IDC_FONT_SHADOW_CHOOSE 1008
#define IDC_FONT_SHADOW_ALPHA 1029
#define IDC_FONT_SHADOW_PERCENT 1033
#define IDC_FONT_PREVIEW 1056

// Graph page
#define IDD_GRAPH 110
#define IDC_GRAPH_BAR_CHOOSE 1063
#define IDC_GRAPH_BAR_ALPHA 1064
#define IDC_GRAPH_BAR_PERCENT 1065
#define IDC_GRAPH_GRADIENT 1073
#define IDC_GRAPH_BACKGROUND_CHOOSE 1066
#define IDC_GRAPH_BACKGROUND_ALPHA 1067
#define IDC_GRAPH_BACKGROUND_PERCENT 1068
#define IDC_GRAPH_FRAME_CHOOSE 1070
#define IDC_GRAPH_FRAME_ALPHA 1071
#define IDC_GRAPH_FRAME_PERCENT 1072
#define IDC_GRAPH_PREVIEW 1069
