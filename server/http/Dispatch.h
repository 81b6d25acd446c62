// Routing of one request to a command or to the web content.
#pragma once

class Connection;
class ServerApp;

// Records the request's Command-ID in the worker's slot and routes the request.
void dispatchRequest(ServerApp& app, Connection& connection);
