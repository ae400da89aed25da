// The numbers that tie the resources to the code: the welcome dialog and its controls, the
// pictures and the string-table texts. The resource scripts, the code and the tests all take
// them from here, so a control cannot be renumbered in one place and missed in another.
//
// The resource compiler reads this file through the C preprocessor, so it holds #defines
// only: no types, no namespaces, no C++.
#pragma once

// The welcome dialog (RT_DIALOG) and its two pictures (RT_BITMAP).
#define WELCOME_DIALOG 101
#define WELCOME_BANNER 202
#define WELCOME_NOTICE 222

// Controls of the welcome dialog. The Next button is IDOK, so that Enter presses it.
#define IDC_WELCOME_NEXT 1
#define IDC_WELCOME_LANGUAGE_COMBO 1003
#define IDC_WELCOME_CUSTOM_INSTALLATION 1004
#define IDC_WELCOME_HEADLINE_WITH_SELECTOR 1005
#define IDC_WELCOME_ADVICE_WITH_SELECTOR 1006
#define IDC_WELCOME_HEADLINE_ALONE 1007
#define IDC_WELCOME_ADVICE_ALONE 1008
#define IDC_WELCOME_LANGUAGE_LABEL 1009
#define IDC_WELCOME_BANNER 1010
#define IDC_WELCOME_NOTICE_PANEL 1012
#define IDC_WELCOME_NOTICE_PICTURE 1013
#define IDC_WELCOME_NOTICE_TEXT 1014

// Flags of the language selector (RT_BITMAP), one number per picture. A language without a
// flag of its own borrows another's number.
#define FLAG_BRAZIL 203
#define FLAG_CHINA 204
#define FLAG_DENMARK 205
#define FLAG_FRANCE 206
#define FLAG_GERMANY 207
#define FLAG_ITALY 208
#define FLAG_JAPAN 209
#define FLAG_SOUTH_KOREA 210
#define FLAG_NETHERLANDS 211
#define FLAG_POLAND 212
#define FLAG_RUSSIA 213
#define FLAG_SPAIN 214
#define FLAG_UNITED_KINGDOM 215
#define FLAG_USA 216
#define FLAG_FIRST FLAG_BRAZIL
#define FLAG_LAST FLAG_USA

// String-table texts of the system-requirements boxes.
#define IDS_REQUIREMENTS_CAPTION 104
#define IDS_WINDOWS_NOT_SUPPORTED 105
#define IDS_WINDOWS_XP_UPDATE 106
