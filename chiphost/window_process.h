// Under Wine, an X server that goes away ends every process shown on it from
// below Windows, through Xlib's exit with 1, the code of a bad command line.
// Run mode therefore keeps its windows in a child process of its own, started
// with the same command line, and tells that end apart.
#pragma once

// True when run mode should start the child: under Wine, and not in the child.
bool WantsWindowProcess();

// Runs this process's command line again in a child that ends when this
// process does, and waits for it. Its exit code, or -1 when it cannot be
// started (run mode then runs here). *displayLost: it ended as Xlib ends a
// process whose display went away.
int RunWindowProcess(bool* displayLost);
