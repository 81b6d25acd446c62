// Running the server without a status window.
#pragma once

class ServerApp;

// Starts the server, prints the address of each interface it serves, runs until SIGINT or
// SIGTERM, then stops the server. Returns the process exit status.
int runHeadless(ServerApp& app);
