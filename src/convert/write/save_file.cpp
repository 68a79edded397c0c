// SPDX-License-Identifier: MIT
#include "convert/write/save_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
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

// Hands everything written on to the temporary file, and compares it with the file already at
// the target while it goes out: a block of the earlier file at a time, so that memory stays one
// block whatever the sizes, and nothing more of it is read after the first difference (or once
// the new bytes run past its end).
class ComparingDevice final : public QIODevice
{
public:
    ComparingDevice(QSaveFile &file, const QString &earlier) : m_file(file), m_earlier(earlier)
    {
        m_same = m_earlier.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    // True when everything written equals the earlier file, to its last byte.
    bool same()
    {
        char extra = 0;
        return m_same && m_earlier.read(&extra, 1) == 0;
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 written = m_file.write(data, size);
        if (written < 0) {
            setErrorString(m_file.errorString());
            return -1;
        }
        for (qint64 done = 0; m_same && done < written;) {
            const qint64 wanted = std::min<qint64>(written - done, kBlock);
            const qint64 got = m_earlier.read(m_block.get(), wanted);
            m_same = got > 0 && std::memcmp(m_block.get(), data + done, std::size_t(got)) == 0;
            done += got;
        }
        if (!m_same)
            m_earlier.close();
        return written;
    }

private:
    static constexpr qint64 kBlock = qint64(1) << 16;
    QSaveFile &m_file;
    QFile m_earlier;
    std::unique_ptr<char[]> m_block = std::make_unique<char[]>(std::size_t(kBlock));
    bool m_same = false;
};

// Running out of memory while writing (a large preview is made in memory) is a failure like any
// other: the temporary files are removed and the earlier files stay.
Status WriteTarget(const SaveTarget &target, QIODevice &device)
{
    try {
        return target.write(device);
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

    // Until commit() the targets are untouched: the temporary files go with `files`. A target
    // kept as it is has no file left there.
    std::vector<std::unique_ptr<QSaveFile>> files;
    for (const SaveTarget &target : targets) {
        auto &file = files.emplace_back(std::make_unique<QSaveFile>(target.path));
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return Status::Failure(target.failure(target.path, file->errorString()));
        std::optional<ComparingDevice> comparing;
        if (target.keepUnchanged && QFileInfo(target.path).isFile())
            comparing.emplace(*file, target.path);
        QIODevice &device = comparing ? static_cast<QIODevice &>(*comparing) : *file;
        if (Status written = WriteTarget(target, device); !written)
            return written;
        // commit() does not tell every failed write apart from success.
        if (file->error() != QFileDevice::NoError)
            return Status::Failure(target.failure(target.path, file->errorString()));
        if (comparing && comparing->same())
            file.reset(); // removes the temporary file
    }
    // Every file is on disk before the first rename: a failed sync (a full disk, a lost network
    // share) is reported and leaves all earlier files as they were. commit() syncs as well, but
    // does not report a failure.
    for (std::size_t i = 0; i < files.size(); ++i)
        if (files[i] && ::fdatasync(files[i]->handle()) != 0) {
            const int error = errno;
            return Status::Failure(
                targets[i].failure(targets[i].path, QString::fromLocal8Bit(std::strerror(error))));
        }
    for (std::size_t i = 0; i < files.size(); ++i)
        if (files[i] && !files[i]->commit()) {
            QString reason = files[i]->errorString();
            for (std::size_t done = 0; done < i; ++done)
                if (files[done])
                    reason += QStringLiteral("; \"%1\" was replaced all the same")
                                  .arg(QDir::toNativeSeparators(targets[done].path));
            return Status::Failure(targets[i].failure(targets[i].path, reason));
        }
    return Status::Ok();
}

} // namespace pixolan
