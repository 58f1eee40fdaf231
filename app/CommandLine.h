#pragma once

// The program without a window, for players who script their set-up: the
// state of the changed game files, and putting every original back.

// True when the arguments ask for the command line: any argument starting
// with "--", or -h, -v, -?. Others (Qt's own -platform, -style) open the window.
bool wantsCommandLine(int argc, char **argv);

// Runs it with no window and no display; returns the exit code, which --help
// explains.
int runCommandLine(int argc, char **argv);
