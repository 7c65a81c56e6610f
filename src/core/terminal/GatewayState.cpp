#include "terminal/GatewayState.h"

namespace monitor {

QString GetStateText(int state)
{
    switch (state) {
    case -3:
        return QStringLiteral("Parameter data is error !");
    case -2:
        return QStringLiteral("TCP is not created yet !");
    case -1:
        return QStringLiteral("Device ID out of range !");
    case StateClosed:
        return QStringLiteral("Closed");
    case StateOpen:
        return QStringLiteral("Open");
    case StateListening:
        return QStringLiteral("Listening");
    case StatePending:
        return QStringLiteral("Connection is Pending");
    case StateResolvingHost:
        return QStringLiteral("Resolving the host name");
    case StateHostResolved:
        return QStringLiteral("Host is Resolved");
    case StateConnecting:
        return QStringLiteral("Waiting to Connect");
    case StateConnected:
        return QStringLiteral("Connected ok ");
    case StateClosing:
        return QStringLiteral("Connection is closing");
    case StateError:
        return QStringLiteral("State error has occurred");
    case 10:
        return QStringLiteral("Connection state is undetermined");
    default:
        return QStringLiteral("Unknown Error Code");
    }
}

} // namespace monitor
