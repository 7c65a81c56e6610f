#pragma once

#include <functional>

// Ending the program at once, as Exit, Cancel at login and a failed login
// connection do: the connection is released and the event loops end. Tests
// replace the ending so that they can watch it.
namespace app {

void endProgram(int code = 0);
void setEndProgramHandler(std::function<void(int)> handler);

} // namespace app
