#include "folderchooser.h"

#include "folders.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace trellim {

namespace {

// Keeps the root folder and everything below it; hides its siblings.
class RootedFolderFilter : public QSortFilterProxyModel {
public:
    explicit RootedFolderFilter(QString root, QObject* parent)
        : QSortFilterProxyModel(parent), root_(std::move(root)) {}

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override
    {
        const auto* model = static_cast<QFileSystemModel*>(sourceModel());
        const QString path = model->filePath(model->index(sourceRow, 0, sourceParent));
        return path == root_ || path.startsWith(root_ + u'/') || root_.startsWith(path + u'/');
    }

private:
    QString root_;
};

} // namespace

std::optional<QString> TreeFolderChooser::Choose(QWidget* parent, const QString& title, const QString& root,
                                                 const QString& startPath)
{
    const QString rootPath = QDir::cleanPath(QDir::fromNativeSeparators(root));
    const QString rootParent = QFileInfo(rootPath).path();

    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.resize(420, 380);

    auto* model = new QFileSystemModel(&dialog);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model->setRootPath(rootParent);
    auto* filter = new RootedFolderFilter(rootPath, &dialog);
    filter->setSourceModel(model);

    auto* tree = new QTreeView(&dialog);
    tree->setObjectName(QStringLiteral("folderTree"));
    tree->setModel(filter);
    tree->setRootIndex(filter->mapFromSource(model->index(rootParent)));
    for (int column = 1; column < model->columnCount(); ++column)
        tree->hideColumn(column);
    tree->header()->hide();

    const QString selected = startPath.isEmpty() ? rootPath : QDir::cleanPath(QDir::fromNativeSeparators(startPath));
    const QModelIndex start = filter->mapFromSource(model->index(selected));
    if (start.isValid()) {
        for (QModelIndex up = start.parent(); up.isValid(); up = up.parent())
            tree->expand(up);
        tree->setCurrentIndex(start);
        tree->scrollTo(start);
    }
    tree->expand(filter->mapFromSource(model->index(rootPath)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(tree, &QTreeView::doubleClicked, &dialog, &QDialog::accept);

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(tree);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted || !tree->currentIndex().isValid())
        return std::nullopt;
    const QString picked = model->filePath(filter->mapToSource(tree->currentIndex()));
    if (picked != rootPath && !picked.startsWith(rootPath + u'/'))
        return std::nullopt;
    return QDir::toNativeSeparators(picked);
}

bool BrowseForFolder(FolderChooser& chooser, QWidget* parent, const QString& title, const QString& root,
                     QString& path)
{
    if (!FolderExists(path))
        path.clear();
    const auto picked = chooser.Choose(parent, title, root, path);
    if (!picked)
        return false;
    path = WithNativeSeparators(*picked);
    return true;
}

} // namespace trellim
