// The label that the status window shows for each command.
#include "server/commands/CommandProtocol.h"

#include <string>

namespace {

const char16_t* labelText(int32_t command) {
    switch (command) {
    case CMD_GET_CONFIGURE:
        return u"Get Configure.";
    case CMD_LIST_FOLDER:
    case CMD_NOOP_3002:
        return u"";
    case CMD_USER_LOGON:
        return u"User Logon.";
    case CMD_DOWNLOAD_FILE:
        return u"Download File.";
    case CMD_UPLOAD_FILE:
        return u"Upload File.";
    case CMD_DOWNLOAD_FOLDER:
        return u"Download Folder.";
    case CMD_UPLOAD_FOLDER:
        return u"Upload Folder.";
    case CMD_DELETE_FILE:
        return u"Delete File.";
    case CMD_DELETE_FOLDER:
        return u"Delete Folder.";
    case CMD_CREATE_FOLDER:
        return u"Create Folder.";
    case CMD_CHECK_DISK_SPACE:
        return u"Check Disk Space.";
    case CMD_REMOTE_CONTROL:
        return u"RAC Session";
    case CMD_REMOTE_DISPLAY:
        return u"RAD Session";
    default:
        // 3004, the password check, the move, web requests (0) and unknown numbers.
        return u"Get Page.";
    }
}

} // namespace

void labelForCommand(int32_t command, char16_t* buffer) {
    const char16_t* label = labelText(command);
    std::char_traits<char16_t>::copy(buffer, label, std::char_traits<char16_t>::length(label) + 1);
}
