// SPDX-License-Identifier: MIT
#include "convert/write/save_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <unistd.h>

namespace pixolan {

bool WriteFully(QIODevice &device, const char *data, qint64 size)
{
    for (qint64 done = 0; done < size;) {
        const qint64 written = device.write(data + done, size - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

namespace {

// Running out of memory while writing (a large preview is made in memory) is a failure like any
// other: the temporary files are removed and the earlier files stay.
Status WriteTarget(const SaveTarget &target, QSaveFile &file)
{
    try {
        return target.write(file);
    } catch (const std::bad_alloc &) {
        return Status::Failure(target.failure(target.path, QStringLiteral("not enough memory")));
    }
}

} // namespace

Status SaveFile(const SaveTarget &target)
{
    return SaveFiles(std::span(&target, 1));
}

Status SaveFiles(std::span<const SaveTarget> targets)
{
    // Folders are left to QSaveFile, which refuses them with its own reason.
    for (const SaveTarget &target : targets) {
        if (target.path.isEmpty())
            return Status::Failure(
                target.failure(target.path, QStringLiteral("no file name was given")));
        const QFileInfo info(target.path);
        if (info.exists() && !info.isFile() && !info.isDir())
            return Status::Failure(target.failure(
                target.path, QStringLiteral("not a regular file (a device, pipe or socket)")));
    }

    // Until commit() the targets are untouched: the temporary files go with `files`.
    std::vector<std::unique_ptr<QSaveFile>> files;
    for (const SaveTarget &target : targets) {
        auto &file = files.emplace_back(std::make_unique<QSaveFile>(target.path));
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return Status::Failure(target.failure(target.path, file->errorString()));
        if (Status written = WriteTarget(target, *file); !written)
            return written;
        // commit() does not tell every failed write apart from success.
        if (file->error() != QFileDevice::NoError)
            return Status::Failure(target.failure(target.path, file->errorString()));
    }
    // Every file is on disk before the first rename: a failed sync (a full disk, a lost network
    // share) is reported and leaves all earlier files as they were. commit() syncs as well, but
    // does not report a failure.
    for (std::size_t i = 0; i < files.size(); ++i)
        if (::fdatasync(files[i]->handle()) != 0) {
            const int error = errno;
            return Status::Failure(
                targets[i].failure(targets[i].path, QString::fromLocal8Bit(std::strerror(error))));
        }
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!files[i]->commit()) {
            QString reason = files[i]->errorString();
            for (std::size_t done = 0; done < i; ++done)
                reason += QStringLiteral("; \"%1\" was replaced all the same")
                              .arg(QDir::toNativeSeparators(targets[done].path));
            return Status::Failure(targets[i].failure(targets[i].path, reason));
        }
    return Status::Ok();
}

} // namespace pixolan
