// Command numbers, result words, line sizes and status labels of the command protocol.
#pragma once

#include <cstdint>

inline constexpr int32_t CMD_GET_CONFIGURE = 3000;
inline constexpr int32_t CMD_LIST_FOLDER = 3001;
inline constexpr int32_t CMD_NOOP_3002 = 3002;
inline constexpr int32_t CMD_USER_LOGON = 3003;
inline constexpr int32_t CMD_FOLDER_LISTING = 3004;
inline constexpr int32_t CMD_DOWNLOAD_FILE = 3005;
inline constexpr int32_t CMD_UPLOAD_FILE = 3006;
inline constexpr int32_t CMD_DOWNLOAD_FOLDER = 3007;
inline constexpr int32_t CMD_UPLOAD_FOLDER = 3008;
inline constexpr int32_t CMD_DELETE_FILE = 3009;
inline constexpr int32_t CMD_DELETE_FOLDER = 3010;
inline constexpr int32_t CMD_CREATE_FOLDER = 3011;
inline constexpr int32_t CMD_CHECK_DISK_SPACE = 3012;
inline constexpr int32_t CMD_CHECK_PASSWORD = 3013;
inline constexpr int32_t CMD_MOVE = 3014;
inline constexpr int32_t CMD_REMOTE_CONTROL = 3015;
inline constexpr int32_t CMD_REMOTE_DISPLAY = 3016;

inline constexpr uint32_t RESULT_OK = 4000;
inline constexpr uint32_t RESULT_FAILED = 4004;
inline constexpr uint32_t RESULT_EXISTS_FOLDER = 4005;
inline constexpr uint32_t RESULT_EXISTS_FILE = 4006;

// A path line keeps at most 1023 bytes of text; a password line at most 29.
inline constexpr int32_t PATH_LINE_SIZE = 1024;
inline constexpr int32_t PASSWORD_LINE_SIZE = 30;

// Room that labelForCommand needs: the longest label, "Check Disk Space.", and its NUL.
inline constexpr int32_t COMMAND_LABEL_SIZE = 18;

// Copies the status-window label of a command value (UTF-16, NUL-terminated) into buffer, which
// holds at least COMMAND_LABEL_SIZE units. Values without a label of their own show "Get Page.".
void labelForCommand(int32_t command, char16_t* buffer);
