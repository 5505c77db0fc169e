#include "workspace/folderchooser.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace trellim;

namespace {

QStringList TopLevelNames(QTreeView* tree)
{
    QStringList names;
    const QModelIndex root = tree->rootIndex();
    for (int row = 0; row < tree->model()->rowCount(root); ++row)
        names << tree->model()->index(row, 0, root).data().toString();
    return names;
}

// Runs the chooser and, once its tree is up, hands it to inspect() and then
// accepts or rejects the dialog.
std::optional<QString> RunChooser(const QString& root, const QString& start,
                                  const std::function<void(QTreeView*)>& inspect, bool accept)
{
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("folderTree"));
        QVERIFY(tree);
        inspect(tree);
        accept ? dialog->accept() : dialog->reject();
    });
    TreeFolderChooser chooser;
    return chooser.Choose(nullptr, QStringLiteral("Select directory of project"), root, start);
}

} // namespace

class FolderChooserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void Choose_ShowsOnlyRootAndPreselectsStart()
    {
        QTemporaryDir exe;
        QVERIFY(QDir(exe.path()).mkpath("PROJECTS/a/b"));
        QVERIFY(QDir(exe.path()).mkpath("MASTER"));
        const QString root = QDir::toNativeSeparators(exe.filePath("PROJECTS"));
        const QString start = QDir::toNativeSeparators(exe.filePath("PROJECTS/a/b"));
        QStringList topLevel;
        QString current;

        const auto picked = RunChooser(root, start, [&](QTreeView* tree) {
            QTRY_COMPARE(TopLevelNames(tree), QStringList{"PROJECTS"});
            topLevel = TopLevelNames(tree);
            current = tree->currentIndex().data().toString();
        }, true);

        QCOMPARE(topLevel, QStringList{"PROJECTS"});
        QCOMPARE(current, QStringLiteral("b"));
        QCOMPARE(picked, std::optional<QString>(start));
    }

    void Choose_Cancelled_ReturnsNothing()
    {
        QTemporaryDir exe;
        QVERIFY(QDir(exe.path()).mkpath("PROJECTS"));

        const auto picked = RunChooser(exe.filePath("PROJECTS"), QString(), [](QTreeView*) {}, false);

        QVERIFY(!picked);
    }

    void BrowseForFolder_MissingStartPath_IsEmptiedEvenWhenCancelled()
    {
        struct Cancel : FolderChooser {
            QString seenStart = QStringLiteral("unset");
            std::optional<QString> Choose(QWidget*, const QString&, const QString&, const QString& start) override
            {
                seenStart = start;
                return std::nullopt;
            }
        } chooser;
        QString path = QStringLiteral("/no/such/folder");

        const bool picked = BrowseForFolder(chooser, nullptr, "t", "/", path);

        QVERIFY(!picked);
        QCOMPARE(chooser.seenStart, QString());
        QCOMPARE(path, QString());
    }
};

QTEST_MAIN(FolderChooserTest)
#include "test_folderchooser.moc"
