#pragma once

// The program's fixed resource ids: dialogs, controls, menu items, help texts,
// illustrations and bitmaps. Every widget that carries one of these ids has
// it as its objectName (see ObjectName), so tests find controls by id.

#include <QString>

namespace Ids {

// Dialog templates (one per wizard page) and the About box.
enum Dialog : int {
    IDD_ABOUTBOX = 100,
    IDD_PARKTRONIC = 107,
    IDD_SYSAS = 135,
    IDD_MONCAM = 136,
    IDD_GRIDSHIFT = 137,
    IDD_MARKPLACE = 138,
    IDD_LEFTBORD = 139,
    IDD_RIGHTBORD = 140,
    IDD_LEFTCURVE = 141,
    IDD_RIGHTCURVE = 142,
    IDD_BASELINE = 143,
    IDD_MIRRORLINE = 158,
    IDD_LOADBMP = 162,
    IDD_LOADWARN = 163,
    IDD_WARNING = 165,
    IDD_LINEBOLD = 182,
    IDD_COMPLETE = 183,
};

// Menu, accelerators, icon, string table.
enum Misc : int {
    IDR_MENU = 129,
    IDR_ACCELERATORS = 186,
    IDI_ICON = 128,
    IDS_ALL_FILES = 102,      // "Все файлы"
    IDS_CONFIG_FILES = 103,   // "Файлы конфигурации"
    IDS_PICTURE_FILES = 105,  // "Файлы рисунков"
};

// Menu commands.
enum Command : int {
    ID_FILE_NEW = 32771,
    ID_FILE_SAVE = 32772,
    ID_FILE_SAVE_AS = 32773,
    ID_FILE_LOAD = 32774,
    ID_FILE_EXIT = 32775,
    ID_VIEW_SYSAS = 32776,
    ID_VIEW_MONCAM = 32777,
    ID_VIEW_GRIDSHIFT = 32778,
    ID_VIEW_MARKPLACE = 32779,
    ID_VIEW_LEFTBORD = 32780,
    ID_VIEW_RIGHTBORD = 32781,
    ID_VIEW_LEFTCURVE = 32782,
    ID_VIEW_RIGHTCURVE = 32783,
    ID_VIEW_BASELINE = 32784,
    ID_VIEW_PARKTRONIC = 32785,
    ID_HELP_CONTENTS = 32786,
    ID_HELP_OTHER = 32787,  // not in the menu; bound to the help handler
    ID_HELP_ABOUT = 32788,
    ID_VIEW_MIRRORLINE = 32789,
    ID_VIEW_LOADBMP = 32790,
    ID_VIEW_LOADWARN = 32791,
    ID_VIEW_WARNING = 32792,
    ID_VIEW_LINEBOLD = 32793,
    ID_MONITOR_PHOTO = 32794,  // "Снимок монитора...": points taken off a picture of the monitor
    ID_EDIT_UNDO = 32795,      // "Отменить: ..." (Ctrl+Z)
    ID_EDIT_REDO = 32796,      // "Повторить: ..." (Ctrl+Shift+Z, Ctrl+Y)
    ID_FILE_LIBRARY = 32797,   // "Библиотека автомобилей..."
    ID_FILE_MRU_FILE1 = 32800, // "Последние файлы", most recent first
    ID_FILE_MRU_FILE2 = 32801,
    ID_FILE_MRU_FILE3 = 32802,
    ID_FILE_MRU_FILE4 = 32803,
    ID_FILE_MRU_FILE5 = 32804,
    ID_FILE_MRU_FILE6 = 32805,
    ID_FILE_MRU_FILE7 = 32806,
    ID_FILE_MRU_FILE8 = 32807,
};

// Sheet buttons (wizard-mode property sheet ids).
enum SheetControl : int {
    ID_WIZBACK = 0x3023,
    ID_WIZNEXT = 0x3024,
    ID_WIZFINISH = 0x3025,
    ID_WIZDIVIDER = 0x3026,
    ID_HELP = 9,
    ID_CANCEL = 2,
    ID_OK = 1,
};

// Controls of the page templates.
enum Control : int {
    IDC_PREVIEW = 1017,    // framed static replaced by the guide-line preview
    IDC_HELPTEXT = 1024,   // rich help text across the top of every page
    IDC_EDIT_X0 = 1025,    // X edit of row r = 1025 + r
    IDC_SPIN_X0 = 1030,    // X spin of row r = 1030 + r
    IDC_EDIT_Y0 = 1035,    // Y edit of row r = 1035 + r
    IDC_SPIN_Y0 = 1040,    // Y spin of row r = 1040 + r
    IDC_LABEL_X0 = 1045,   // X label of row r = 1045 + r
    IDC_LABEL_Y0 = 1050,   // Y label of row r = 1050 + r
    IDC_COMBO_MIRROR = 1054,
    IDC_PICTURE = 1055,    // picture or illustration
    IDC_LABEL_MIRROR = 1056,
    IDC_PROGRESS = 1064,
    IDC_UPLOAD_ESTIMATE = 1090,  // time left of a picture upload, beside the progress bar
    IDC_BUTTON_SAVE = 1065,
    IDC_BUTTON_LOAD = 1066,
    IDC_BUTTON_DEFAULT = 1067,
    IDC_BUTTON_WRITE = 1068,
    IDC_LABEL_COMBO1 = 1069,
    IDC_LABEL_COMBO2 = 1070,
    IDC_COMBO1 = 1071,
    IDC_LABEL_FONT = 1074,
    IDC_LABEL_SHIFTX = 1075,
    IDC_LABEL_SHIFTY = 1076,
    IDC_LABEL_BASETEXT = 1077,
    IDC_SKIP_POINT = 1078, // "Пропустить точку"
    IDC_RADIO_FIRST = 1079,
    IDC_RADIO_SECOND = 1080,
    IDC_EDIT_LABEL1 = 1081,
    IDC_SHIFT_NOTE = 1082,
    IDC_LINK_CONTACT = 1274,
    IDC_LINK_SUPPORT = 1275,
    // Labels page: label texts at 2, 3 and 4 m (1 m is IDC_EDIT_LABEL1).
    IDC_EDIT_LABEL2 = 1089,
    IDC_EDIT_LABEL3 = 1083,
    IDC_EDIT_LABEL4 = 1084,
    IDC_EDIT_BASETEXT = 1085,     // base-line label text
    IDC_COMBO_BASELABELS = 1086,  // base-line label placement
    IDC_COMBO_SIDELABELS = 1087,  // border-line label placement
    IDC_LABEL_TEXTS = 1088,       // "Текст меток" above the four label texts
    IDC_COMBO_REAR = 1091,        // parking-sensor page: the rear sensor's list
    IDC_MONITOR_PHOTO = 1092,     // point pages: "Снимок монитора..."
    IDC_CHECK_PHOTO = 1093,       // guide-line picture page: "Проверить по снимку..."
    // Picture pages: the module's own picture.
    IDC_READ_MODULE = 1094,         // "Прочитать из модуля"
    IDC_RESTORE_PICTURE = 1095,     // "Восстановить..."
    IDC_MODULE_PICTURE = 1096,      // the picture read out of the module
    IDC_SAVE_MODULE_PICTURE = 1097, // "Сохранить как BMP..."
    IDC_BACKUP_CHECK = 1098,        // a copy of the module's picture before writing
    IDC_BACKUP_NOTE = 1099,         // where that copy went
    IDC_PHONE_PHOTO = 1100,         // point pages: "С телефона..."

};

// Help texts (resources/help/<id>.html).
enum HelpText : int {
    HELP_SYSAS = 146,
    HELP_MONCAM = 151,
    HELP_GRIDSHIFT = 155,
    HELP_BASELINE_LEFT = 148,
    HELP_BASELINE_RIGHT = 184,
    HELP_BASELINE_MIDDLE = 185,
    HELP_BASELINE_REVIEW = 186,
    HELP_LEFTBORD_0 = 157,
    HELP_LEFTBORD_1 = 187,
    HELP_LEFTBORD_2 = 188,
    HELP_LEFTBORD_3 = 189,
    HELP_LEFTBORD_4 = 190,
    HELP_LEFTBORD_REVIEW = 199,
    HELP_MIRRORLINE = 160,
    HELP_RIGHTBORD_0 = 153,
    HELP_RIGHTBORD_1 = 193,
    HELP_RIGHTBORD_2 = 194,
    HELP_RIGHTBORD_3 = 195,
    HELP_RIGHTBORD_4 = 196,
    HELP_RIGHTBORD_REVIEW = 201,
    HELP_LEFTCURVE_0 = 149,
    HELP_LEFTCURVE_1 = 191,
    HELP_LEFTCURVE_2 = 192,
    HELP_LEFTCURVE_REVIEW = 200,
    HELP_RIGHTCURVE_0 = 154,
    HELP_RIGHTCURVE_1 = 197,
    HELP_RIGHTCURVE_2 = 198,
    HELP_RIGHTCURVE_REVIEW = 202,
    HELP_LINEBOLD = 183,
    HELP_MARKPLACE = 150,
    HELP_LOADBMP = 171,
    HELP_LOADWARN = 170,
    HELP_PARKTRONIC = 152,
    HELP_WARNING = 169,
    HELP_COMPLETE = 168,
};

// Illustrations (resources/illustrations/<id>.svg).
enum Illustration : int {
    ILLUSTRATION_SYSAS = 146,
    ILLUSTRATION_COMPLETE = 185,
};

// Bitmaps (resources/bitmaps/<id>.png).
enum Bitmap : int {
    BITMAP_NOTE = 176,
    BITMAP_NOTE_MIRRORED = 178,
    BITMAP_PARKING_SCALE = 181,
    BITMAP_WARNING = 184,
};

// The objectName a widget with this id carries ("id1025").
inline QString ObjectName(int id) { return QStringLiteral("id%1").arg(id); }

// Qt resource paths of the resources above.
inline QString HelpTextPath(int id) { return QStringLiteral(":/help/%1.html").arg(id); }
inline QString IllustrationPath(int id) { return QStringLiteral(":/illustrations/%1.svg").arg(id); }
inline QString BitmapPath(int id) { return QStringLiteral(":/bitmaps/%1.png").arg(id); }

} // namespace Ids
