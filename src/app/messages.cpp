#include "messages.h"

#include <QApplication>
#include <QMessageBox>

namespace trellim {

namespace {

std::shared_ptr<MessageSink>& CurrentSink()
{
    static std::shared_ptr<MessageSink> sink = std::make_shared<MessageBoxSink>();
    return sink;
}

} // namespace

void MessageBoxSink::Show(MessageKind kind, const QString& title, const QString& text)
{
    QMessageBox box(kind == MessageKind::Plain ? QMessageBox::NoIcon : QMessageBox::Critical, title, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void Messages::Plain(const QString& text)
{
    CurrentSink()->Show(MessageKind::Plain, kApplicationTitle, text);
}

void Messages::Error(const QString& text)
{
    CurrentSink()->Show(MessageKind::Error, QStringLiteral("Error"), text);
}

void Messages::Unexpected(const QString& text)
{
    QString shown = text;
    if (!shown.endsWith(u'.'))
        shown += u'.';
    CurrentSink()->Show(MessageKind::Unexpected, kApplicationTitle, shown);
}

std::shared_ptr<MessageSink> Messages::Install(std::shared_ptr<MessageSink> sink)
{
    std::swap(CurrentSink(), sink);
    return sink;
}

} // namespace trellim
