// The getting-started dialog drawn with FLTK.
#pragma once

struct StatusPictures;

// Runs the dialog modally on the window thread; the status window goes on handling its messages.
void runGettingStartedWindow(StatusPictures& pictures);
