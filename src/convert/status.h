// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace pixolan {

// The outcome of an operation that can fail. On failure it carries one message for the user that
// names the file and the reason, e.g. `Cannot load "/tmp/a.png": file not found`.
class [[nodiscard]] Status
{
public:
    static Status Ok() { return Status(); }
    static Status Failure(QString message) { return Status(std::move(message)); }

    bool ok() const { return m_error.isEmpty(); }
    explicit operator bool() const { return ok(); }
    const QString &error() const { return m_error; }

private:
    Status() = default;
    explicit Status(QString message) : m_error(std::move(message)) {}

    QString m_error;
};

} // namespace pixolan
