#pragma once

namespace zv {

class TForm1;
struct ProgramWindows;

// Program entry: creates the windows in their fixed order, runs the start-up work
// and the message loop until the main window closes. Arguments are ignored.
int runProgram(int argc, char** argv);

// Creates, hidden, the windows that follow the main window and the cache build
// progress window: the quick start, wait, iteration host and message windows.
ProgramWindows createStartupWindows(TForm1& form, ProgramWindows windows);

// Creates the dialogs that bind to the main window's grid (preferences, select,
// load results, zoomed view, source viewer, about box), after the windows given.
ProgramWindows createDialogWindows(TForm1& form, ProgramWindows windows);

} // namespace zv
