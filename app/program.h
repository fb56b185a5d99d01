#pragma once

namespace zv {

// Program entry: creates the windows in their fixed order, runs the start-up work
// and the message loop until the main window closes. Arguments are ignored.
int runProgram(int argc, char** argv);

} // namespace zv
