#pragma once

// The command ids of buttons, menu items and keyboard shortcuts (ID_...) and the ids of the
// controls the code names (IDC_...). A control's id is also the string-table id of its tip.
enum CmdId : int {
    // The disconnect button is the connect button while a module is connected.
    IDC_DISCONNECT = 358,

    // About box.
    IDC_DEVELOPED_BY = 1003,
    IDC_VERSION = 1004,

    // Graphs window and its layout dialog.
    IDC_GRAPH_TABS = 1009,
    IDC_OUTPUT = 1010, // the output list of the main window and of the protocol window
    IDC_GRAPH_TITLE = 1011,
    IDC_AXIS_TITLE = 1012,
    IDC_LEFT_LABEL = 1014,
    IDC_LOGO = 1015, // the main window's logo; as menu item the About box
    IDC_LEGEND = 1016,
    IDC_LINE = 1020,
    IDC_BAR = 1021,
    IDC_LEGEND_TOP = 1022,
    IDC_BAR_WIDTH = 1023,
    IDC_BAR_GAP = 1024,
    IDC_LEGEND_CENTER = 1027,
    IDC_LEGEND_BOTTOM = 1028,
    IDC_RIGHT_LABEL = 1029,
    IDC_GRAPH_NAME = 1030,

    // Main window.
    IDC_UPLOAD = 1048,
    IDC_FEEDBACK_ON = 1050,
    IDC_MODULE_ID = 1051,
    IDC_CHARGERS = 1052,
    IDC_BASE_FOLDER = 1053,
    IDC_FEEDBACK_OFF = 1054,
    IDC_CONNECT = 1055,
    IDC_BROWSE = 1056,
    IDC_MODULE_GROUP = 1079,
    IDC_CHARGER_GROUP = 1118,
    IDC_VIBRATION_GROUP = 1136,
    IDC_BASE_GROUP = 1138,

    // Time-range dialog.
    IDC_FROM1 = 1115,
    IDC_UNTIL1 = 1116,
    IDC_FROM2 = 1117,
    IDC_UNTIL2 = 1120,
    IDC_FILES_AVAILABLE = 1125,
    IDC_FILES_SELECTED = 1126,
    IDC_MODULES = 1129,
    IDC_SHOW = 1177,
    IDC_SHOW_EXTRA = 1178,

    // Menu items and keyboard shortcuts.
    ID_CB_EEPROM = 32780,
    ID_SET_MODULE_ID = 32782,
    ID_CB_UPDATE = 32796,
    ID_VM_UPDATE = 32798,
    ID_SET_INFO = 32800,
    ID_ERASE_DATA = 32801,
    ID_CLEAR_PROTOCOL = 32802,
    ID_PROTOCOL_WINDOW = 32803,
    ID_DEBUG = 32805,
    ID_CREATE_GRAPHS = 32806,
    ID_CLEAR_OUTPUT = 32807,
    ID_SET_PARAMETERS = 32810,
    ID_SET_THRESHOLDS = 32811,
    ID_SET_FEEDBACK_THRESHOLDS = 32812,
    ID_SET_FEEDBACK_MODE = 32813,
    ID_CONNECT = 32816,
    ID_DISCONNECT = 32817,
    ID_UPLOAD = 32818,
    ID_REPLY_DUMP = 32824,
    ID_PARAMETERS_FROM_LIST = 32825,
    ID_PRINT_GRAPH = 32874,
    ID_PRINT_ALL = 32875,
    ID_SELECT_PRINTER = 32876,
    ID_LABELS = 32886,
    ID_SAVE_GRAPH = 32888,
    ID_SAVE_ALL = 32889,
    ID_LANGUAGE_GERMAN = 32891,
    ID_LANGUAGE_ENGLISH = 32892,
    ID_SAVE_OUTPUT = 32894,
    ID_SAVE_PROTOCOL = 32897,
    ID_SCRIPT_WINDOW = 32900,
    ID_SUPPORT_FILE = 32901,
    ID_NO_TEST_BURSTS = 32902,
    ID_MODULE_ID_FROM_LIST = 32903,
    ID_SAVE_STATISTICS = 32950,

    // Updates: the firmware update windows and the Updates menu.
    IDC_UPDATE_WARNING = 1064,
    IDC_UPDATE_START = 1070,
    IDC_UPDATE_WAIT = 1071,
    IDC_UPDATE_PROGRESS = 1072,
    IDC_DATA_UPLOADED = 1099,
    IDC_UPDATE_CONFIRM = 1100,
    ID_PROGRAM_UPDATE = 32808,
    ID_WEB_CB_UPDATE = 32895,
    ID_WEB_VM_UPDATE = 32896,
};
