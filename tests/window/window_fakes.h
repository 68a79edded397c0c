// SPDX-License-Identifier: MIT
#pragma once

#include "window/file_chooser.h"
#include "window/notifier.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace pixolan::test {

// Answers the window's file dialogs from a script, in order, and records how it was asked.
// An unscripted ShowOpen cancels and counts as unexpected.
class ScriptedChooser final : public FileChooser
{
public:
    struct Call
    {
        QString filter; // the filter in force when the dialog was shown
        QString title;
        OpenMode mode;
    };

    void Choose(const QString &path) { m_answers.append(path); }
    void Cancel() { m_answers.append(std::nullopt); }

    void SetFilter(const QString &filter) override;
    std::optional<QString> ShowOpen(QWidget *parent, const QString &title, OpenMode mode) override;

    qsizetype unanswered() const { return m_answers.size(); }
    int unexpected() const { return m_unexpected; }
    int setFilterCalls() const { return m_setFilterCalls; }
    const QList<Call> &calls() const { return m_calls; }

private:
    QList<std::optional<QString>> m_answers;
    QList<Call> m_calls;
    QString m_filter;
    int m_setFilterCalls = 0;
    int m_unexpected = 0;
};

// Records messages instead of showing them, and whether the busy cursor was up at the time.
class RecordingNotifier final : public Notifier
{
public:
    void ShowMessage(QWidget *parent, const QString &text) override;

    QStringList messages;
    QList<bool> busyAtMessage;
};

// Waits for a modal dialog to come up, polling from the event loop that its exec() runs, and
// hands it to `act`, which should close it. Any other modal dialog that comes up, and the first
// one if `act` left it open, is rejected and its text recorded, so that a test can fail but
// never hang. Polling ends after a few seconds or when the object goes.
class WhenModal
{
public:
    explicit WhenModal(std::function<void(QWidget *)> act);
    ~WhenModal();
    WhenModal(const WhenModal &) = delete;
    WhenModal &operator=(const WhenModal &) = delete;

    bool handled() const { return m_handled; }
    // The texts of the dialogs that were closed without being asked for.
    const QStringList &unexpected() const { return m_unexpected; }

private:
    void Poll();

    std::function<void(QWidget *)> m_act;
    QTimer m_timer;
    QPointer<QWidget> m_acted;
    bool m_acting = false;
    int m_polls = 0;
    bool m_handled = false;
    QStringList m_unexpected;
};

// Saves `image` at `path` in `format`, or in the format its suffix names; false on failure.
bool SavePicture(const QImage &image, const QString &path, const char *format = nullptr);

} // namespace pixolan::test
