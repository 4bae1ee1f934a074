// Control identifiers of the dialog templates, shared by the resource script
// and the dialog procedures.  Prefixes by dialog; ranges do not overlap.
#pragma once

// Common to every dialog: the accepting and the refusing button, the edit field.
#define IDC_ACCEPT 1
#define IDC_REFUSE 2
#define IDC_EDIT 101

// Main dialog
#define IDC_MAIN_FOLDER_LABEL 100
#define IDC_MAIN_ENTRY_LIST 301
#define IDC_MAIN_PLAIN_LIST 302
#define IDC_MAIN_OVERWRITE 501
#define IDC_MAIN_SKIP_EXISTING 502
#define IDC_MAIN_ASK 503
#define IDC_MAIN_OVERWRITE_GROUP 509
#define IDC_MAIN_STATUS 601
#define IDC_MAIN_BROWSE 775
#define IDC_MAIN_RUN_CHECK 1007

// Overwrite prompt
#define IDC_OVERWRITE_DONT_ASK 401

// Information dialog
#define IDC_INFO_TEXT 304

// Icon groups: the program's icon and the one the main dialog shows.
#define IDI_MAIN_DIALOG 103
