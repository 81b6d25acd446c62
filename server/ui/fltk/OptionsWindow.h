// The Options dialog drawn with FLTK.
#pragma once

// Runs the dialog modally on the window thread; the status window goes on handling its messages.
void runOptionsWindow();
