#pragma once

#include <QString>

#include <stdexcept>

namespace trellim {

// The one error type of the tool. Its text is shown to the user as is, so it
// is always a complete sentence a person can act on.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}

    const QString& message() const noexcept { return message_; }

private:
    QString message_;
};

} // namespace trellim
