// SPDX-License-Identifier: MIT
#pragma once

#include "window/file_chooser.h"

#include <QStringList>

namespace pixolan {

// The file chooser over Qt's own file dialog, the same on every desktop. Each ShowOpen opens in
// the folder of the last chosen file, with that file selected.
class CommonDialog1 final : public FileChooser
{
public:
    void SetFilter(const QString &filter) override;
    std::optional<QString> ShowOpen(QWidget *parent, const QString &title, OpenMode mode) override;

    const QString &Filter() const { return m_filter; }
    const QString &FileName() const { return m_fileName; }

private:
    QString m_filter;
    QString m_fileName;
};

// QFileDialog's name filters for a filter written "description|pattern; pattern|...":
// "images|*.jpg; *.png" gives "images (*.jpg *.png)". Empty for an empty filter.
QStringList NameFiltersFromFilter(const QString &filter);

} // namespace pixolan
