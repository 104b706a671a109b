#pragma once

#include "holdings/runtime_error.h"
#include "queries/loaded_holdings.h"

#include <QString>
#include <future>
#include <memory>

class QApplication;

namespace gegu {

// Runs Gegu: puts the application's messages in Chinese, creates the main window, runs its start-up
// (which loads the data file), shows it and runs the event loop until it closes; returns the exit
// status. When the data file is missing or malformed, shows one error box (error number, text,
// file, line) instead and returns 1 without ever showing the main window.
int runGegu(QApplication& app);

// Starts loading the data file that Gegu finds, on a thread of its own, so that the window is
// made meanwhile; the future hands over the loaded data, or the RuntimeError of loading.
std::future<std::unique_ptr<DataFileInUse>> loadDataInBackground();

// Reports a runtime error that ends Gegu: one line on stderr (in the user's language, as
// gegu-query has it), and the error box where a screen can show it.
void reportRuntimeError(const RuntimeError& e);

// The error box's text, all Chinese, in the classic runtime's words: "实时错误 '53':", the
// error's text, then the file and the line where they apply.
QString chineseErrorText(ErrorNumber number);
QString errorBoxText(const RuntimeError& e);

} // namespace gegu
