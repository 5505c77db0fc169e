// RunAndWait against small updater scripts written into a temporary folder.

#include "update/runandwait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>

using namespace trellim;

namespace {

QString WriteScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no file>")};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Whether the process runs (and is not a zombie waiting to be reaped).
bool IsRunning(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.size() > close + 2 && line.at(close + 2) != 'Z';
}

} // namespace

class TestRunAndWait : public QObject {
    Q_OBJECT

private slots:
    void RunAndWait_PassesArgumentsAndWaitsForTheEnd();
    void RunAndWait_UpdaterOutlivesTheLimit_IsLeftRunning();
    void RunAndWait_UpdaterCannotStart_ReturnsAtOnce_data();
    void RunAndWait_UpdaterCannotStart_ReturnsAtOnce();
};

void TestRunAndWait::RunAndWait_PassesArgumentsAndWaitsForTheEnd()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString record = dir.filePath(QStringLiteral("arguments.txt"));
    // It sleeps first: the record exists afterwards only if RunAndWait waited.
    const QString updater = WriteScript(dir, QStringLiteral("Ser_73915_Update"),
        "sleep 0.3\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record.toUtf8() + "'\n");
    const QString parameters = QStringLiteral(
        "/dev/ttyUSB0 NO FR NO PR \"/opt/my tool/MASTER/sim73915.sim\" \"/opt/my tool/PROJECTS/P 1/bin/\"");

    QElapsedTimer clock;
    clock.start();
    RunAndWait(updater, parameters, false, 20000);

    QVERIFY(clock.elapsed() >= 300);
    QCOMPARE(ReadLines(record),
             QStringList({"/dev/ttyUSB0", "NO", "FR", "NO", "PR", "/opt/my tool/MASTER/sim73915.sim",
                          "/opt/my tool/PROJECTS/P 1/bin/"}));
}

void TestRunAndWait::RunAndWait_UpdaterOutlivesTheLimit_IsLeftRunning()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    const QString updater = WriteScript(dir, QStringLiteral("Ser_73915_Update"),
        "echo $$ > '" + pidFile.toUtf8() + "'\nexec sleep 3\n");

    QElapsedTimer clock;
    clock.start();
    RunAndWait(updater, QString(), false, 300);
    const qint64 waited = clock.elapsed();

    QVERIFY2(waited >= 300 && waited < 2500, qPrintable(QString::number(waited)));
    QTRY_VERIFY(!ReadLines(pidFile).isEmpty() && ReadLines(pidFile).first() != u"<no file>");
    const pid_t pid = ReadLines(pidFile).first().toInt();
    QVERIFY(pid > 0);
    QVERIFY(IsRunning(pid));
    QTest::qWait(300);
    QVERIFY(IsRunning(pid)); // nothing stopped it after the wait either

    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

void TestRunAndWait::RunAndWait_UpdaterCannotStart_ReturnsAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("not executable") << "plain";
    QTest::newRow("folder") << "folder";
}

void TestRunAndWait::RunAndWait_UpdaterCannotStart_ReturnsAtOnce()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString updater = dir.filePath(QStringLiteral("Ser_73915_Update"));
    if (kind == u"plain") {
        QFile file(updater);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nsleep 5\n");
    } else if (kind == u"folder") {
        QVERIFY(QDir().mkpath(updater));
    }

    QElapsedTimer clock;
    clock.start();
    RunAndWait(updater, QStringLiteral("/dev/ttyS0 FW FR PW PR \"a\" \"b/\""), false, 10000);

    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(TestRunAndWait)
#include "test_runandwait.moc"
