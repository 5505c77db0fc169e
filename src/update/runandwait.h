#pragma once

#include <QString>

namespace trellim {

// The updater's wait limit.
inline constexpr int kRunAndWaitLimitMs = 150000;

// Starts the program with the parameter string and waits until it ends or
// timeoutMs have passed, without processing window messages. The exit code
// is not looked at. A program that cannot be started returns at once; one
// still running when the wait gives up is left running, and nothing of the
// tool stops it later. On Windows the parameters are the native command
// line as is; elsewhere they are split as a shell would split them and the
// program is started without a shell. `hidden` asks for no window (Windows).
void RunAndWait(const QString& exePath, const QString& parameters, bool hidden,
                int timeoutMs = kRunAndWaitLimitMs);

} // namespace trellim
