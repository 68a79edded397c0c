// SPDX-License-Identifier: MIT
#include "window/window_fakes.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace pixolan::test {

void ScriptedChooser::SetFilter(const QString &filter)
{
    m_filter = filter;
    ++m_setFilterCalls;
}

std::optional<QString> ScriptedChooser::ShowOpen(QWidget *, const QString &title, OpenMode mode)
{
    m_calls.append({m_filter, title, mode});
    if (m_answers.isEmpty()) {
        ++m_unexpected;
        return std::nullopt;
    }
    return m_answers.takeFirst();
}

void RecordingNotifier::ShowMessage(QWidget *, const QString &text)
{
    messages.append(text);
    busyAtMessage.append(QGuiApplication::overrideCursor() != nullptr);
}

namespace {
constexpr int kPollMs = 10;
constexpr int kGiveUpPolls = 1000;

QString DescribeDialog(QWidget *dialog)
{
    QString text = QString::fromLatin1(dialog->metaObject()->className());
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        text += QStringLiteral(": ") + box->text();
    return text;
}

void Dismiss(QWidget *dialog)
{
    if (auto *asDialog = qobject_cast<QDialog *>(dialog))
        asDialog->reject();
    else
        dialog->close();
}
} // namespace

WhenModal::WhenModal(std::function<void(QWidget *)> act) : m_act(std::move(act))
{
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Poll(); });
    m_timer.start(kPollMs);
}

WhenModal::~WhenModal()
{
    m_timer.stop();
}

void WhenModal::Poll()
{
    if (++m_polls >= kGiveUpPolls) {
        m_timer.stop();
        return;
    }
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (!m_handled) {
        m_handled = true;
        m_acted = modal;
        m_acting = true;
        m_act(modal);
        m_acting = false;
        return;
    }
    // Another dialog, perhaps opened by `act` itself, or the first one left open.
    if (modal != m_acted || !m_acting) {
        m_unexpected.append(DescribeDialog(modal));
        Dismiss(modal);
    }
}

bool SavePicture(const QImage &image, const QString &path, const char *format)
{
    QDir().mkpath(QFileInfo(path).path());
    return image.save(path, format);
}

} // namespace pixolan::test
