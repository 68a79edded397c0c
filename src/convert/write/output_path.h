// SPDX-License-Identifier: MIT
#pragma once

#include "convert/status.h"

#include <QString>

namespace pixolan {

// The default output file: the current directory, "/" and "array.c" (or `fileName`), joined as
// they are. Computed afresh on every call, so it follows the current directory.
QString DefaultOutputPath(const QString &fileName = QStringLiteral("array.c"));

// Fails when `output` is the same file on disk as `picture` (the same device and inode, whatever
// name, relative path or symbolic link leads there): the export would overwrite the picture with
// C text. Succeeds when either does not exist.
Status CheckOutputIsNotPicture(const QString &picture, const QString &output);

} // namespace pixolan
