#pragma once

class QApplication;

namespace gegu {

class RuntimeError;

// Runs Gegu: creates the main window, runs its start-up (which loads the data file), shows
// it and runs the event loop until it closes; returns the exit status. When the data file is
// missing or malformed, shows one error box (error number, text, file, line) instead and
// returns 1 without ever showing the main window.
int runGegu(QApplication& app);

// Reports a runtime error that ends Gegu: one line on stderr, and the error box.
void reportRuntimeError(const RuntimeError& e);

} // namespace gegu
