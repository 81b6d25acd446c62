// The texts of the getting-started dialog.
#pragma once

inline const char* const GETTING_STARTED_CAPTION = "File Transfer Kelvane";
inline const char* const GETTING_STARTED_HEADER = "File Transfer\r\nKelvane2";
inline const char* const GETTING_STARTED_TEXT =
    "To get started, Please type one of binded IP in address bar of Internet Explore on your Desktop PC.";
inline const char* const GETTING_STARTED_NOTE =
    "Desktop PC will take  several seconds to register control for the first access Pocket PC.";
inline const char* const SERVER_VERSION_TEXT = "Server Version: 2.0.8.103";
inline const char* const CLIENT_VERSION_TEXT = "Client Version: 2.2.9.100";
inline const char* const NOTE_GROUP_LABEL = "NOTE:";
