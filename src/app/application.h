#pragma once

#include <QApplication>

namespace trellim {

// The tool's application object: an error that escapes the handling of any
// event (a button, a dialog, a timer) ends only that action and is shown as
// the unexpected-error box; the application keeps running.
class TrellimApplication : public QApplication {
    Q_OBJECT

public:
    TrellimApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace trellim
