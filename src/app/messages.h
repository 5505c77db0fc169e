#pragma once

#include <QString>

#include <memory>

class QWidget;

namespace trellim {

inline const QString kApplicationTitle = QStringLiteral("Firmware Trellim");

// The three kinds of message box the tool shows. Every dialog goes through
// Messages(); tests install a recorder in place of the real boxes.
enum class MessageKind {
    Plain,      // title: application title, no icon
    Error,      // title "Error", error icon
    Unexpected, // title: application title, error icon; text ends in "."
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(MessageKind kind, const QString& title, const QString& text) = 0;
};

// Shows QMessageBox dialogs over the active window.
class MessageBoxSink : public MessageSink {
public:
    void Show(MessageKind kind, const QString& title, const QString& text) override;
};

class Messages {
public:
    static void Plain(const QString& text);
    static void Error(const QString& text);
    // Adds a full stop when the text does not end in one.
    static void Unexpected(const QString& text);

    // Replaces the sink (tests); returns the previous one.
    static std::shared_ptr<MessageSink> Install(std::shared_ptr<MessageSink> sink);
};

} // namespace trellim
