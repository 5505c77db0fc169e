#include "app/application.h"
#include "app/messagerecorder.h"
#include "documents/error.h"

#include <QPushButton>
#include <QTest>

using namespace trellim;

// An error escaping any event handler, not only the main window's buttons,
// is shown once as the unexpected-error box and the application goes on.
class ApplicationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void Notify_ErrorEscapingHandler_ShowsUnexpectedBoxAndGoesOn()
    {
        QPushButton button;
        int clicks = 0;
        connect(&button, &QPushButton::clicked, [&] {
            if (++clicks == 1)
                throw Error(QStringLiteral("Port vanished"));
        });
        ScopedMessageRecorder messages;

        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);

        QCOMPARE(clicks, 2);
        QCOMPARE(messages->Texts(), QStringList{"Port vanished."});
        QCOMPARE(messages->entries.first().kind, MessageKind::Unexpected);
    }
};

int main(int argc, char** argv)
{
    TrellimApplication app(argc, argv);
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_application.moc"
