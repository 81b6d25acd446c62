// Command numbers and result words of the Kelvane command protocol.

export const CMD_GET_CONFIGURE = 3000;
export const CMD_LIST_FOLDER = 3001;
export const CMD_FOLDER_LISTING = 3004;
export const CMD_DOWNLOAD_FILE = 3005;
export const CMD_UPLOAD_FILE = 3006;
export const CMD_DELETE_FILE = 3009;
export const CMD_DELETE_FOLDER = 3010;
export const CMD_CREATE_FOLDER = 3011;
export const CMD_CHECK_DISK_SPACE = 3012;
export const CMD_CHECK_PASSWORD = 3013;
export const CMD_MOVE = 3014;
export const CMD_REMOTE_CONTROL = 3015;
export const CMD_REMOTE_DISPLAY = 3016;

export const RESULT_OK = 4000;
export const RESULT_FAILED = 4004;
export const RESULT_EXISTS_FOLDER = 4005;
export const RESULT_EXISTS_FILE = 4006;

// Kind word of a folder-listing record.
export const KIND_FILE = 3;
export const KIND_FOLDER = 4;

// Window-message numbers carried by remote control records.
export const WM_KEYDOWN = 256;
export const WM_KEYUP = 257;
export const WM_MOUSEMOVE = 512;
export const WM_LBUTTONDOWN = 513;
export const WM_LBUTTONUP = 514;
export const WM_RBUTTONDOWN = 516;
export const WM_RBUTTONUP = 517;
