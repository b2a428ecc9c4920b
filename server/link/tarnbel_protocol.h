#pragma once
// Message ids shared by the server, the tools program and outside clients. Window messages go to
// "tarnbel_running" (server) and "tb_tools_fake_window_running" (tools); thread messages run
// between the server's threads. A payload (text or record) travels as a "$$$" temporary file
// named by a global atom in wParam.
#include <windows.h>

constexpr const char* SERVER_WINDOW_TITLE = "tarnbel_running";
constexpr const char* SERVER_WINDOW_CLASS = "TTarnbelMainWindow";
constexpr const char* TOOLS_WINDOW_TITLE = "tb_tools_fake_window_running";
// Held by the tools program (and by anything listening under its title) for its whole run: two starts
// cannot both get past the title check before either window exists.
constexpr const char* TOOLS_INSTANCE_MUTEX = "tarnbel_tools_instance";

// Tools program -> server window.
constexpr UINT WM_TB_RESTART = 1068;
constexpr UINT WM_TB_TURN_ON = 1069;
constexpr UINT WM_TB_TURN_OFF = 1070;
constexpr UINT WM_TB_HARD_RESET = 1071;
constexpr UINT WM_TB_MIDI_RESET = 1073;
constexpr UINT WM_TB_ROUTES_CHANGED = 1075;
constexpr UINT WM_TB_TOOLS_HELLO = 1076;
constexpr UINT WM_TB_TOOLS_BYE = 1078;
constexpr UINT WM_TB_SET_UNLOAD_IF_UNUSED = 1083;   // lParam 0/1
constexpr UINT WM_TB_SET_DEFAULT_MELODIC = 1084;    // lParam 0/1
constexpr UINT WM_TB_SET_DEFAULT_DRUMS = 1085;      // lParam 0/1
constexpr UINT WM_TB_SET_UNLOAD_TIME = 1086;        // lParam seconds
constexpr UINT WM_TB_SET_UNLOAD_ORPHAN = 1087;      // lParam 0/1
constexpr UINT WM_TB_SET_ORPHAN_TIME = 1088;        // lParam seconds
constexpr UINT WM_TB_SELECT_ROUTE = 1101;           // wParam atom: route caption
constexpr UINT WM_TB_GET_CACHE_INFO = 1102;
constexpr UINT WM_TB_GET_ROUTES = 1103;
constexpr UINT WM_TB_UNLOAD_PRESET = 1106;          // wParam bank, lParam program
constexpr UINT WM_TB_GET_CURRENT_ROUTE = 1110;
constexpr UINT WM_TB_GET_STATE = 1111;
constexpr UINT WM_TB_MAPPING_SAVED = 1114;          // wParam atom: mapping name
constexpr UINT WM_TB_SET_RELOAD_FIRST_NOTE = 1121;  // lParam 0/1
constexpr UINT WM_TB_PREVIEW_ON = 1122;
constexpr UINT WM_TB_PREVIEW_OFF = 1123;
constexpr UINT WM_TB_PREVIEW_ROUTE_CHANGED = 1125;
constexpr UINT WM_TB_PREVIEW_FILE = 1127;           // wParam atom: .sf2 or .wav path
constexpr UINT WM_TB_PREVIEW_PRESET = 1128;         // wParam bank in the file, lParam program in the file
constexpr UINT WM_TB_PREVIEW_STOP = 1129;
constexpr UINT WM_TB_GET_FILE_NAME = 1154;
constexpr UINT WM_TB_GET_FILE_TEXT = 1160;
constexpr UINT WM_TB_SET_RANDOM_MAPPING = 1164;     // 1164-1169: lParam 0/1
constexpr UINT WM_TB_SET_RANDOM_DRUM_BANK = 1165;
constexpr UINT WM_TB_SET_RANDOM_PRESETS = 1166;
constexpr UINT WM_TB_SET_RANDOM_BANKS = 1167;
constexpr UINT WM_TB_SET_RANDOM_PROGRAMS = 1168;
constexpr UINT WM_TB_SET_RANDOM_ONLY_WINAMP = 1169;
constexpr UINT WM_TB_RANDOM_INCLUDE = 1170;         // wParam atom: mapping name
constexpr UINT WM_TB_RANDOM_EXCLUDE = 1171;         // wParam atom: mapping name
constexpr UINT WM_TB_SET_WINAMP_RESET_CACHE = 1172; // lParam 0/1
constexpr UINT WM_TB_MAPPING_ACTIVATE = 1179;       // wParam atom: mapping name
constexpr UINT WM_TB_MAPPING_DEACTIVATE = 1180;     // wParam atom: mapping name
constexpr UINT WM_TB_MAPPING_ORDER = 1182;          // wParam atom: order text
constexpr UINT WM_TB_MAPPINGS_APPLY = 1183;
constexpr UINT WM_TB_SET_IMMEDIATE_CHANGES = 1184;  // lParam 0/1
constexpr UINT WM_TB_MAPPINGS_CHANGED = 1188;
constexpr UINT WM_TB_SET_ADD_BANK_NAME = 1202;      // lParam 0/1
constexpr UINT WM_TB_SET_DISABLE_SF_INTERFACE = 1203;  // lParam 0/1
constexpr UINT WM_TB_INSTALLER_RUNNING = 1205;

// Server -> tools window.
constexpr UINT WM_TB_SERVER_BUSY = 1051;
constexpr UINT WM_TB_SERVER_IDLE = 1052;
constexpr UINT WM_TB_SERVER_ERROR = 1053;
constexpr UINT WM_TB_NOTE_ON_LAMP = 1055;           // wParam channel, lParam MAKELONG(program, bank)
constexpr UINT WM_TB_NOTE_OFF_LAMP = 1056;          // wParam channel, lParam MAKELONG(program, bank)
constexpr UINT WM_TB_SERVER_STARTED = 1077;
constexpr UINT WM_TB_SERVER_STOPPED = 1079;
constexpr UINT WM_TB_SHOW_EDITOR = 1081;
constexpr UINT WM_TB_CACHE_MAX = 1089;              // lParam sample memory in bytes
constexpr UINT WM_TB_CACHE_FREE = 1090;             // lParam free sample memory in bytes
constexpr UINT WM_TB_CACHE_CLEAR = 1091;
constexpr UINT WM_TB_CACHE_COUNT = 1092;            // lParam number of cached presets
constexpr UINT WM_TB_CACHE_LIST = 1093;             // wParam atom: count x CachedPresetRecord
constexpr UINT WM_TB_SHOW_MONITOR = 1095;
constexpr UINT WM_TB_SHOW_ABOUT = 1099;
constexpr UINT WM_TB_ROUTE_LIST = 1100;             // wParam atom: entries each ended by 0x01
constexpr UINT WM_TB_PRESET_CHANGED = 1105;         // wParam channel, lParam bank * 65536 + program
constexpr UINT WM_TB_CURRENT_ROUTE = 1108;          // lParam row of the route list
constexpr UINT WM_TB_SERVER_STATE = 1109;           // lParam 0 off, 1 on
constexpr UINT WM_TB_SHOW_PREFERENCES = 1112;
constexpr UINT WM_TB_PREVIEW_STOPPED = 1124;
constexpr UINT WM_TB_PREVIEW_STARTED = 1126;
constexpr UINT WM_TB_FILE_NAME = 1152;              // wParam atom: text
constexpr UINT WM_TB_PREVIEW_WAVE_ERROR = 1156;     // wParam, lParam of TM_UNSUPPORTED_WAVE
constexpr UINT WM_TB_FILE_TEXT = 1161;              // wParam atom: text
constexpr UINT WM_TB_CHECK_INTEGRITY = 1187;
constexpr UINT WM_TB_SHOW_MANAGER = 1194;

// Tools program -> itself (a second instance to the running one; its windows to the monitor).
constexpr UINT WM_TB_TOOLS_ACTIVATE = 1080;
constexpr UINT WM_TB_INSTALLER_BLOCKED = 1204;
constexpr UINT WM_TB_EDITOR_CLOSED = 1097;
constexpr UINT WM_TB_ABOUT_CLOSED = 1098;
constexpr UINT WM_TB_OPTIONS_CLOSED = 1113;
constexpr UINT WM_TB_MANAGER_CLOSED = 1193;

// Outside clients -> server window. Query results are the return value of a sent message;
// an atom result names a payload that the client reads and deletes.
constexpr UINT WM_TB_REQ_1067 = 1067;
constexpr UINT WM_TB_SEND_CACHE_LIST_TO = 1130;     // wParam atom: window title
constexpr UINT WM_TB_MM_LOAD_PRESETS = 1132;        // wParam atom: 256-byte block; lParam MAKELONG(thread, loopback)
constexpr UINT WM_TB_MM_LOAD_DRUMS = 1136;          // wParam atom: 128 u16 words; lParam as 1132
constexpr UINT WM_TB_DRIVER_1138 = 1138;            // wParam loopback, lParam MAKELONG(channel, value)
constexpr UINT WM_TB_DRIVER_1139 = 1139;            // wParam loopback, lParam MAKELONG(a, b)
constexpr UINT WM_TB_WINAMP_LOAD_PRESETS = 1142;    // wParam atom: counted BankProgramRecords; lParam thread
constexpr UINT WM_TB_WINAMP_1145 = 1145;
constexpr UINT WM_TB_WINAMP_MODE_ON = 1147;         // lParam requester thread
constexpr UINT WM_TB_WINAMP_MODE_OFF = 1148;
constexpr UINT WM_TB_SET_FILE_NAME = 1153;          // wParam atom: text
constexpr UINT WM_TB_SET_FILE_TEXT = 1159;          // wParam atom: text
constexpr UINT WM_TB_QUERY_ROUTE_COUNT = 1173;      // result: count
constexpr UINT WM_TB_QUERY_ROUTE_NAME = 1174;       // lParam route index; result: atom of the input name
constexpr UINT WM_TB_QUERY_1175 = 1175;             // lParam bank; result: atom of the bank's name
constexpr UINT WM_TB_QUERY_PRESET_NAME = 1176;      // wParam bank, lParam program; result: atom
constexpr UINT WM_TB_QUERY_BANK_NAMES = 1177;       // lParam bank 0-128 or 129; result: atom of 128 x 26 bytes, or 0
constexpr UINT WM_TB_RESET_NAME_FLAGS = 1178;
constexpr UINT WM_TB_WINAMP_1195 = 1195;
constexpr UINT WM_TB_WINAMP_1196 = 1196;

// The server's own window.
constexpr UINT WM_TB_TRAY_CALLBACK = 1066;          // lParam mouse message
constexpr UINT WM_TB_TICK_SECOND = 1072;
constexpr UINT WM_TB_TICK_HALF = 1162;

// Thread messages of the server. Synchronous requests carry the request object in lParam and
// are answered by posting the same id back to the sender. 1051-1053, 1055, 1056, 1105, 1195 and
// 1196 also travel between threads under their window-message names.
constexpr UINT TM_QUIT = 1034;
constexpr UINT TM_LOAD_PRESET = 1036;
constexpr UINT TM_CLEAR_PRESET = 1037;
constexpr UINT TM_QUERY_SAMPLE_MEMORY = 1039;
constexpr UINT TM_ROUTE_OPEN = 1040;
constexpr UINT TM_ROUTE_CLOSE = 1041;
constexpr UINT TM_THREAD_READY = 1042;              // wParam the ready thread's id
constexpr UINT TM_ECHO = 1043;
constexpr UINT TM_ROUTE_1044 = 1044;
constexpr UINT TM_CLEAR_ALL_LOADED = 1046;
constexpr UINT TM_GET_CACHED_LIST = 1047;
constexpr UINT TM_1050 = 1050;
constexpr UINT TM_GET_SF_THREAD = 1054;
constexpr UINT TM_UNLOAD_UNUSED = 1057;
constexpr UINT TM_MIDI_RESET = 1058;
constexpr UINT TM_MONITOR_ON = 1061;
constexpr UINT TM_MONITOR_OFF = 1062;
constexpr UINT TM_ROUTE_1063 = 1063;
constexpr UINT TM_ROUTE_1064 = 1064;
constexpr UINT TM_GET_CHANNELS = 1104;
constexpr UINT TM_SF_ADD_CLIENT = 1118;             // lParam client thread id
constexpr UINT TM_SF_REMOVE_CLIENT = 1119;          // lParam client thread id
constexpr UINT TM_1120 = 1120;                      // wParam bank (16 bits), lParam program
constexpr UINT TM_MM_DONE = 1133;                   // wParam 0, or atom of the 256-byte block
constexpr UINT TM_MM_LOAD_PRESETS = 1134;
constexpr UINT TM_LOAD_PRESET_SYNC = 1135;
constexpr UINT TM_MM_LOAD_DRUMS = 1137;
constexpr UINT TM_DRIVER_1140 = 1140;
constexpr UINT TM_DRIVER_1141 = 1141;
constexpr UINT TM_WINAMP_LOADED = 1143;
constexpr UINT TM_WINAMP_LOAD_PRESETS = 1144;
constexpr UINT TM_WINAMP_1146 = 1146;
constexpr UINT TM_WINAMP_MODE_ON = 1149;
constexpr UINT TM_WINAMP_MODE_OFF = 1150;
constexpr UINT TM_WINAMP_MODE_ON_DONE = 1151;
constexpr UINT TM_UNSUPPORTED_WAVE = 1155;
constexpr UINT TM_PREVIEW_SELECT = 1157;            // wParam bank
constexpr UINT TM_GET_CACHED_COUNT = 1163;
constexpr UINT TM_PRESET_TOO_BIG = 1185;
constexpr UINT TM_PRESET_NOT_FOUND = 1186;
constexpr UINT TM_RELOAD_MAPPINGS = 1189;
constexpr UINT TM_PREVIEW_ON = 1190;
constexpr UINT TM_PREVIEW_OFF = 1191;
constexpr UINT TM_CLEAR_PRESET_SYNC = 1199;
constexpr UINT TM_UNLOAD_UNUSED_SYNC = 1200;
constexpr UINT TM_MIDI_EVENT = 1201;                // lParam a TOSC_MIDIMessage
constexpr UINT TM_SHOW_BOX = 1206;                  // lParam a box request the main thread frees

// Window messages whose wParam is the atom of a payload. A receiver that does not use such a
// payload still deletes it. (TM_MM_DONE carries one only when its wParam is not 0.)
constexpr bool MessageCarriesPayload(UINT id) {
  switch (id) {
    case WM_TB_SELECT_ROUTE: case WM_TB_MAPPING_SAVED: case WM_TB_PREVIEW_FILE:
    case WM_TB_RANDOM_INCLUDE: case WM_TB_RANDOM_EXCLUDE: case WM_TB_MAPPING_ACTIVATE:
    case WM_TB_MAPPING_DEACTIVATE: case WM_TB_MAPPING_ORDER:
    case WM_TB_CACHE_LIST: case WM_TB_ROUTE_LIST: case WM_TB_FILE_NAME: case WM_TB_FILE_TEXT:
    case WM_TB_SEND_CACHE_LIST_TO: case WM_TB_MM_LOAD_PRESETS: case WM_TB_MM_LOAD_DRUMS:
    case WM_TB_WINAMP_LOAD_PRESETS: case WM_TB_SET_FILE_NAME: case WM_TB_SET_FILE_TEXT:
      return true;
    default:
      return false;
  }
}
