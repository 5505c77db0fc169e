#include "application.h"

#include "mainwindow.h"

namespace trellim {

TrellimApplication::TrellimApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TrellimApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    TFMainWindow::RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace trellim
