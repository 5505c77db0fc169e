#pragma once

#include <functional>

namespace trellim {

// Runs onTerminate on the GUI thread when the process is asked to end
// (SIGTERM, SIGINT, SIGHUP), so that closing the session or a service
// manager's stop still stores the settings. Does nothing on Windows.
void CloseOnTerminationSignals(std::function<void()> onTerminate);

} // namespace trellim
