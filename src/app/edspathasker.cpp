#include "edspathasker.h"

#include <QDir>
#include <QFileDialog>

namespace trellim {

std::optional<QString> EdsSaveDialogAsker::Ask(QWidget* parent, const QString& folder)
{
    QFileDialog dialog(parent, QString(), folder, QStringLiteral("Electronic Data Sheet (*.eds)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("eds"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

} // namespace trellim
