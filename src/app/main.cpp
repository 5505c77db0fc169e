#include "mainwindow.h"
#include "messages.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trellim"));
    QApplication::setApplicationVersion(QStringLiteral(TRELLIM_VERSION));

    trellim::TFMainWindow window;
    window.show();
    return QApplication::exec();
}
