// SPDX-License-Identifier: MIT
#include "convert/save_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace pixolan {

Status SaveFile(const QString &path, QIODevice::OpenMode extraMode, SaveFailureText failure,
                const std::function<Status(QIODevice &)> &write)
{
    // Folders are left to QSaveFile, which refuses them with its own reason.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir())
        return Status::Failure(
            failure(path, QStringLiteral("not a regular file (a device, pipe or socket)")));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | extraMode))
        return Status::Failure(failure(path, file.errorString()));
    if (Status written = write(file); !written)
        return written; // the temporary file goes with `file`; the target is untouched
    if (!file.commit())
        return Status::Failure(failure(path, file.errorString()));
    return Status::Ok();
}

} // namespace pixolan
