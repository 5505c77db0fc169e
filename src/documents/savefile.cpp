#include "savefile.h"

#include "error.h"

#include <QSaveFile>

namespace trellim {

void SaveFileWhole(const QString& path, const QByteArray& bytes)
{
    // Unbuffered: a buffered QSaveFile writes at commit() and may then take a
    // short write (disk full, size limit) for success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    qint64 written = 0;
    while (written < bytes.size()) {
        // After a short write the next call names the system's reason.
        const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            break;
        written += step;
    }
    if (written != bytes.size()) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("Only %1 of %2 bytes could be written.").arg(written).arg(bytes.size());
        file.cancelWriting();
        throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
    }
    if (!file.commit())
        throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}

} // namespace trellim
