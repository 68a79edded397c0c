// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace pixolan {

// Tells the user something and waits until it has been read. The window talks to it only through
// this interface, so that tests can record the messages instead of blocking on them.
class Notifier
{
public:
    virtual ~Notifier() = default;

    // `text` may hold line breaks as CR, LF or CR LF.
    virtual void ShowMessage(QWidget *parent, const QString &text) = 0;
};

// A modal message box titled "Pixolan" with an OK button only and no icon.
class MessageBoxNotifier final : public Notifier
{
public:
    void ShowMessage(QWidget *parent, const QString &text) override;
};

} // namespace pixolan
