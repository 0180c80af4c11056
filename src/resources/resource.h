// Resource, command and control ids, shared by the program and its resource script.
// Plain #defines only: the resource compiler reads this file too.
#ifndef MIVREL_RESOURCES_RESOURCE_H
#define MIVREL_RESOURCES_RESOURCE_H

// Strings
#define IDS_APP_TITLE 103
#define IDS_WINDOW_CLASS 109

// Menu resource and its commands
#define IDM_MAIN_MENU 129
#define IDM_CONFIGURE 32778
#define IDM_ABOUT 32781
#define IDM_EXIT 32782
#define IDM_RESET_CONFIG 32783
#define IDM_RESET_POSITION 32785
#define IDM_START_WITH_WINDOWS 32786
#define IDM_USAGE 32787

// Icons
#define IDI_MAIN 146
#define IDI_ABOUT 147

// Dialogs
#define IDD_CONFIG 101
#define IDD_ABOUT 103
#define IDD_USAGE 104

// Configuration dialog controls
#define IDC_UPLOAD_INTERFACE 1002
#define IDC_DOWNLOAD_INTERFACE 1003
#define IDC_CONFIG_OK 1004
#define IDC_TICK_DELAY 1005
#define IDC_ALWAYS_ON_TOP 1008
#define IDC_BACKGROUND_SWATCH 1009
#define IDC_DOWNLOAD_SWATCH 1010
#define IDC_UPLOAD_SWATCH 1011
#define IDC_OVERLAPPED_SWATCH 1012
#define IDC_THEME 1014
#define IDC_DOWNLOAD_GRAPH_ALL 1015
#define IDC_ALPHA 1016
#define IDC_LOCK_MAX 1017
#define IDC_LOCK_MAX_VALUE 1018
#define IDC_TEXT_LABELS_SWATCH 1019
#define IDC_DEPENDENT_TEXT_COLOR 1020
#define IDC_UPLOAD_GRAPH_ALL 1021

// About box controls (1018 is reused there on purpose: another dialog, another control)
#define IDC_ACKNOWLEDGEMENTS 1018
#define IDC_MAIL_LINK 1023
#define IDC_WEB_LINK 1024
#define IDC_ABOUT_ICON 2002

// Usage window controls
#define IDC_USAGE_ADAPTER 1101
#define IDC_USAGE_MONTHS 1102
#define IDC_USAGE_CHART 1103
#define IDC_USAGE_POINTED 1104
#define IDC_USAGE_TODAY 1105
#define IDC_USAGE_YESTERDAY 1106
#define IDC_USAGE_ALL_DAYS 1107
#define IDC_USAGE_THIS_MONTH 1108
#define IDC_USAGE_LAST_MONTH 1109
#define IDC_USAGE_PERIOD 1110
#define IDC_USAGE_EXPORT 1111
#define IDC_PLAN_ON 1112
#define IDC_PLAN_LIMIT 1113
#define IDC_PLAN_UNIT 1114
#define IDC_PLAN_START_DAY 1115
#define IDC_PLAN_WARN 1116
#define IDC_PLAN_DOWNLOAD_ONLY 1117
#define IDC_PLAN_ADAPTER 1118
#define IDC_PLAN_STATUS 1119
#define IDC_PLAN_PACE 1120
#define IDC_USAGE_UNITS_NOTE 1121

#endif  // MIVREL_RESOURCES_RESOURCE_H
