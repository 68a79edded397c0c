// SPDX-License-Identifier: MIT
#pragma once

#include "convert/status.h"

#include <QIODevice>
#include <QString>

#include <functional>
#include <span>

namespace pixolan {

// Builds the message for a failed save of `path` for `reason`.
using SaveFailureText = QString (*)(const QString &path, const QString &reason);

// One file to save: what `write` puts on the device, which is opened WriteOnly and unbuffered (a
// writer gathers its own output and hands it on with WriteFully()).
struct SaveTarget
{
    QString path;
    SaveFailureText failure;
    std::function<Status(QIODevice &)> write;
    // When the regular file at `path` already holds exactly the bytes `write` gives, leave it as it
    // is, its date and inode included, instead of replacing it with a new file: a build tool then
    // sees that nothing changed and rebuilds nothing that includes it. Off, a file is always
    // replaced. The bytes are compared while they are written, a block at a time against the
    // file's own, and no more of it is read after the first difference.
    bool keepUnchanged = false;
};

// Writes all of `size` bytes to `device`. A short write is retried: the device says why a write
// failed (its errorString(), "File too large", ...) only once nothing more goes out. False on
// failure.
[[nodiscard]] bool WriteFully(QIODevice &device, const char *data, qint64 size);

// Saves the file through a temporary file beside the target that replaces it only once
// everything has been written and flushed to disk (or is removed, the target kept, when
// keepUnchanged finds the same bytes). On failure an earlier file at the path is left as it was
// and no partial or temporary file remains. An empty path, and a device, pipe or socket at the
// path, are refused: the rename would put a regular file in the latter's place.
Status SaveFile(const SaveTarget &target);

// Saves several files as SaveFile() saves one, and replaces none of them before all of them have
// been written and flushed to disk: a failure while writing leaves every earlier file as it was.
// Only the renames that follow can still fail (they almost never do); then the files before the
// one named in the message have been replaced, and the message says so.
Status SaveFiles(std::span<const SaveTarget> targets);

} // namespace pixolan
