// The program's start-up: installer or file manager, the global windows, the message loop.
#pragma once

// Runs the program with its command line and returns the process's exit code. Requests to end
// from outside (SIGTERM, SIGINT, SIGHUP) close the main window as the user does, which saves
// the options; the session manager's request to save saves them and keeps the window open.
int RunProgram(int argc, char **argv);

// Called inside the guarded start-up once the error dialog and the other dialogs exist, before
// the main window starts; null in the program. Tests make the start-up fail there.
extern void (*OnDialogsCreated)();
