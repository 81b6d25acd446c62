// Command numbers and result words of the command protocol.
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
