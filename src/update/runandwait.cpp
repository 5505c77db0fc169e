#include "runandwait.h"

#include "platform.h"

#include <QElapsedTimer>
#include <QThread>

namespace trellim {

namespace {

// The pause between two looks at the updater.
constexpr unsigned long kPollMs = 10;

} // namespace

void RunAndWait(const QString& exePath, const QString& parameters, bool hidden, int timeoutMs)
{
    const std::unique_ptr<platform::DetachedProcess> process =
        platform::StartDetachedProcess(exePath, parameters, hidden);
    if (!process)
        return;

    QElapsedTimer clock;
    clock.start();
    // Deliberately no event processing here: the tool stays still while the
    // updater owns the port.
    while (process->Running()) {
        if (clock.elapsed() >= timeoutMs)
            return; // the updater is left to finish on its own
        QThread::msleep(kPollMs);
    }
}

} // namespace trellim
