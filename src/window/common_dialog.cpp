// SPDX-License-Identifier: MIT
#include "window/common_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace pixolan {

QStringList NameFiltersFromFilter(const QString &filter)
{
    QStringList nameFilters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        patterns.removeAll(QString());
        nameFilters.append(
            QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.join(QLatin1Char(' '))));
    }
    return nameFilters;
}

void CommonDialog1::SetFilter(const QString &filter)
{
    m_filter = filter;
}

std::optional<QString> CommonDialog1::ShowOpen(QWidget *parent, const QString &title, OpenMode mode)
{
    QFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mode == OpenMode::ExistingFile ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
    if (const QStringList nameFilters = NameFiltersFromFilter(m_filter); !nameFilters.isEmpty())
        dialog.setNameFilters(nameFilters);
    // Qt would start where any earlier file dialog of the process ended; start at the last file
    // chosen here instead, or at the current directory.
    if (m_fileName.isEmpty()) {
        dialog.setDirectory(QDir::currentPath());
    } else {
        const QFileInfo last(m_fileName);
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    }

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    m_fileName = chosen.first();
    return m_fileName;
}

} // namespace pixolan
