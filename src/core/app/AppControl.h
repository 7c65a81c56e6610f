#pragma once

#include <functional>

// Ending the program at once, as Exit, Cancel at login and a failed login
// connection do: the connection is released and the event loops end. Tests
// replace the ending so that they can watch it.
namespace app {

void endProgram(int code = 0);
// True once the program was told to end: work that lets events run between
// its slices stops at the next one. Cleared by setEndProgramHandler.
bool ending();
void setEndProgramHandler(std::function<void(int)> handler);

} // namespace app
