// A real kelvane-server on a temporary root folder, with the client library as its peer.
#pragma once

#include "client/lib/CommandClient.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

// The workspace holds root/ (what the server serves), outside/ (beside the root, never to be
// reached) and the registry file.
class ServerFixture : public ::testing::Test {
  protected:
    void SetUp() override;

    // Starts the server; with registryText, that registry file is written first.
    void startServer(const std::string& registryText = "");
    kelvane::client::CommandClient client(int timeoutMilliseconds = 30000) const;

    std::string root(const std::string& relative = "") const;
    std::string outside(const std::string& relative = "") const;
    std::string registryPath() const { return workspace.file("registry.reg"); }

    TemporaryFolder workspace;
    std::unique_ptr<ServerProcess> server;
};

// File helpers for the tests' own view of the disk.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool exists(const std::string& path);
bool isFolder(const std::string& path);
void makeFolder(const std::string& path);
// Every entry below folder (symlinks not followed): relative path to content, "<folder>" or
// "<link to TARGET>".
std::map<std::string, std::string> treeSnapshot(const std::string& folder);

// A registry file in the form the server reads, with the given value lines under the key.
std::string registryText(const std::string& valueLines);
