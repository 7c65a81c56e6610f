#pragma once

#include <QString>

namespace monitor {

// Socket state codes of a gateway connection, as the monitor shows them.
enum GatewayState {
    StateClosed = 0,
    StateOpen = 1,
    StateListening = 2,
    StatePending = 3,
    StateResolvingHost = 4,
    StateHostResolved = 5,
    StateConnecting = 6,
    StateConnected = 7,
    StateClosing = 8,
    StateError = 9,
};

// The state text of a connection's state code; -3 to -1 are the codes of a
// connection that could not be set up.
QString GetStateText(int state);

} // namespace monitor
