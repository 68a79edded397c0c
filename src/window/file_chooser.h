// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace pixolan {

// The window's one file dialog, shared by both browse buttons. It keeps its filter and the last
// chosen file name between uses. The window talks to it only through this interface, so that
// tests can answer in its place.
class FileChooser
{
public:
    enum class OpenMode {
        ExistingFile, // only a file that exists can be chosen
        AnyFile,      // the name of a file that does not exist yet is accepted too
    };

    virtual ~FileChooser() = default;

    // Sets the filter, written "description|pattern; pattern|description|pattern...". It stays
    // in force for every later ShowOpen until it is set again.
    virtual void SetFilter(const QString &filter) = 0;

    // Shows the dialog in its Open form, modal over `parent`. Returns the chosen file's path, or
    // nothing when the user cancelled.
    virtual std::optional<QString> ShowOpen(QWidget *parent, const QString &title,
                                            OpenMode mode) = 0;
};

} // namespace pixolan
