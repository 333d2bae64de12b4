#include "platform/qt/AtomicFile.h"

#include <QSaveFile>
#include <QString>

namespace qv {

std::optional<std::string> writeFileAtomically(const std::string& path, const void* data,
                                               std::size_t size) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString().toStdString();
    if (file.write(static_cast<const char*>(data), qint64(size)) != qint64(size)) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString().toStdString();
    return std::nullopt;
}

} // namespace qv
