// The web replies: start page, client package and any other file beside the program.
#pragma once

#include <cstdint>

class Connection;

inline constexpr int32_t CHUNK_SIZE = 1024;
inline constexpr int32_t PATH_CAPACITY = 260;
inline constexpr int32_t FILE_PATH_CAPACITY = 520;

// Each writes a complete reply or, when its file cannot be read, none.
void sendStartPage(Connection& connection);
void sendClientPackage(Connection& connection);
void sendFile(Connection& connection);

// The content type that a URL is served with, chosen by its last four characters.
const char* contentTypeForUrl(const char* url);

// Fills path (PATH_CAPACITY units) with the program's folder, without a trailing separator.
// Returns false (and empty text) when the folder cannot be found or does not fit.
bool programFolder(char16_t* path);

// Size of a file, 0 when it cannot be opened.
uint32_t fileSize(const char16_t* path);

// Writes the host's first IPv4 address in dotted decimal into a 16-byte buffer; empty on failure.
void ownAddress(char* text);

// The text that replaces "[ip]": the Host value cut to 15 characters, keeping only characters
// that can appear in a host name or address, or the own address when there is no Host.
void startPageAddress(const char* host, char* text);
