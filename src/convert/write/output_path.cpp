// SPDX-License-Identifier: MIT
#include "convert/write/output_path.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace pixolan {

QString DefaultOutputPath(const QString &fileName)
{
    return QDir::currentPath() + QStringLiteral("/") + fileName;
}

Status CheckOutputIsNotPicture(const QString &picture, const QString &output)
{
    if (picture.isEmpty() || output.isEmpty())
        return Status::Ok();
    struct stat pictureInfo
    {
    };
    struct stat outputInfo
    {
    };
    if (::stat(QFile::encodeName(picture).constData(), &pictureInfo) != 0 ||
        ::stat(QFile::encodeName(output).constData(), &outputInfo) != 0)
        return Status::Ok();
    if (pictureInfo.st_dev != outputInfo.st_dev || pictureInfo.st_ino != outputInfo.st_ino)
        return Status::Ok();
    return Status::Failure(
        QStringLiteral("Cannot write \"%1\": it is the picture itself, which would be overwritten")
            .arg(QDir::toNativeSeparators(output)));
}

} // namespace pixolan
