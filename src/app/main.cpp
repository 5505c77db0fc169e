#include "application.h"
#include "mainwindow.h"
#include "messages.h"
#include "terminationsignals.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    trellim::TrellimApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trellim"));
    QApplication::setApplicationVersion(QStringLiteral(TRELLIM_VERSION));

    trellim::TFMainWindow window;
    trellim::CloseOnTerminationSignals([&window] {
        window.close();
        QApplication::quit();
    });
    window.show();
    return QApplication::exec();
}
