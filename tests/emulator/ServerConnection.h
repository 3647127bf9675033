#pragma once

namespace zvemu {

// Ends, from the server's side, the connection of this process that runs from `serverPort` to the
// client's `clientPort`: the client sees it closed with nothing more sent. False when there is no
// such connection. The server library keeps its sockets to itself; this finds the one a handler
// runs for by its two ports.
bool closeServerConnection(int serverPort, int clientPort);

}  // namespace zvemu
