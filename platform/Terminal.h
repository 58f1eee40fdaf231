#pragma once

namespace platform {

// The terminal a command-line run talks to. On Windows the program is built
// for the desktop and has none of its own: it takes the one it was started
// from, where its output is not already going to a file or pipe.
void attachTerminal();
// Whether standard input is a terminal a person can answer questions on.
bool inputIsTerminal();

} // namespace platform
