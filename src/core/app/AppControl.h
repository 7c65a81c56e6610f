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

// Called first at the start: small blocks freed go back to the allocator's
// free lists at once instead of being parked for one merge later. Emptying a
// list of 100,000 rows or more frees millions of them, and the next larger
// allocation (a socket read of the monitor, say) then merged them all in one
// go, holding the screen thread for a third of a second.
void mergeFreedMemoryAtOnce();

} // namespace app
