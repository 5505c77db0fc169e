#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace trellim {

// Asks the user for a folder at or below root, starting at startPath (may be
// empty). Returns the picked folder's path, or nullopt when cancelled.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    virtual std::optional<QString> Choose(QWidget* parent, const QString& title, const QString& root,
                                          const QString& startPath) = 0;
};

// A modal tree over the file system, rooted at the given folder: only that
// folder and the folders below it are shown and can be picked.
class TreeFolderChooser : public FolderChooser {
public:
    std::optional<QString> Choose(QWidget* parent, const QString& title, const QString& root,
                                  const QString& startPath) override;
};

// The folder chooser behind "Open project". A path that names no existing
// folder is emptied first; when the user picks a folder, path becomes it
// (native separators) and the result is true; otherwise path keeps the value
// it had after that first step.
bool BrowseForFolder(FolderChooser& chooser, QWidget* parent, const QString& title, const QString& root,
                     QString& path);

} // namespace trellim
