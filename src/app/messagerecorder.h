#pragma once

#include "messages.h"

#include <QList>

namespace trellim {

// Records messages instead of showing them; installed for the lifetime of
// the recorder. Used by the tests and by headless runs.
class MessageRecorder : public MessageSink {
public:
    struct Entry {
        MessageKind kind;
        QString title;
        QString text;
    };

    void Show(MessageKind kind, const QString& title, const QString& text) override
    {
        entries.append({kind, title, text});
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const Entry& entry : entries)
            texts.append(entry.text);
        return texts;
    }

    QList<Entry> entries;
};

// Installs a recorder for one scope and restores the previous sink after.
class ScopedMessageRecorder {
public:
    ScopedMessageRecorder()
        : recorder_(std::make_shared<MessageRecorder>()), previous_(Messages::Install(recorder_)) {}
    ~ScopedMessageRecorder() { Messages::Install(previous_); }
    ScopedMessageRecorder(const ScopedMessageRecorder&) = delete;
    ScopedMessageRecorder& operator=(const ScopedMessageRecorder&) = delete;

    MessageRecorder& operator*() { return *recorder_; }
    MessageRecorder* operator->() { return recorder_.get(); }

private:
    std::shared_ptr<MessageRecorder> recorder_;
    std::shared_ptr<MessageSink> previous_;
};

} // namespace trellim
