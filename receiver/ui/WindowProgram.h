#pragma once

// The receiver with its control window, on a QApplication: the
// single-instance refusal, the window's start-up, and the event loop until
// the operator confirms the exit. Returns the exit status.
int RunWindowProgram(int& argc, char** argv);
