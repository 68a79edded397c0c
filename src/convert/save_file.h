// SPDX-License-Identifier: MIT
#pragma once

#include "convert/status.h"

#include <QIODevice>
#include <QString>

#include <functional>

namespace pixolan {

// Builds the message for a failed save of `path` for `reason`.
using SaveFailureText = QString (*)(const QString &path, const QString &reason);

// Saves what `write` puts on the device (opened WriteOnly with `extraMode`) at `path`, through a
// temporary file beside the target that replaces it only once everything has been written and
// flushed to disk. On failure an earlier file at `path` is left as it was and no partial or
// temporary file remains. A device, pipe or socket at `path` is refused: the rename would put a
// regular file in its place.
Status SaveFile(const QString &path, QIODevice::OpenMode extraMode, SaveFailureText failure,
                const std::function<Status(QIODevice &)> &write);

} // namespace pixolan
