#pragma once

// Every 500 ms on the GUI thread: the caption, the password copy, hiding a
// minimised MainWindow, starting the lock, finishing an unlock.
void idleTick();
