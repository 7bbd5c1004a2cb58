// The program's start and end: one instance, splash, preferences, the main window, the session.
#pragma once

namespace zelk {

// Runs the editor until its main window closes; the exit code of the program.
int RunApplication(int argc, char** argv);

}  // namespace zelk
