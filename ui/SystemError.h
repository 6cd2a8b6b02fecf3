// The common base of every exception this program raises with one of its own
// fixed texts. The text is kept as Unicode for display; what() gives UTF-8.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace orvex {

class SystemError : public std::exception {
public:
    explicit SystemError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}

    const QString &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

} // namespace orvex
