#pragma once
// The per-frame message pump, the inactive wait, the message thread and the time helpers.
#include <cstdint>

namespace zelvo {

int ProcessMessage();
void WaitWhileInactive();
int UpdateFullScreenMouseUi();
int WaitWithMessages(int milliseconds);
std::uint64_t CurrentMicroseconds(int useTimeStamp);
// The message thread: started at the end of the window start, ended with the window.
int StartMessageThread();
void WaitForMessageThread();
// Calls of ProcessMessage the message thread has made since the program started.
std::uint64_t MessageThreadPassCount();

}  // namespace zelvo
