#pragma once

// Names the program to Qt and the desktop: its name, its version (the build's
// one version number), the desktop entry it belongs to and its window icon in
// every size drawn for it.
void setUpAppIdentity();
// The name and version alone, for a run without a window.
void setUpAppName();
