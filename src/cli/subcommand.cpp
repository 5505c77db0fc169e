#include "subcommand.h"

#include <QCoreApplication>

namespace trellim::cli {

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

Subcommand::Subcommand(const QStringList& arguments)
    : arguments_(arguments),
      name_(arguments.value(0, QStringLiteral("trellim-cli"))),
      help_(QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."))
{
    // Not addHelpOption(): its --help-all is only handled by process().
    parser_.addOption(help_);
}

std::optional<int> Subcommand::Parse(const QString& positionalName, const QString& positionalHelp)
{
    parser_.addPositionalArgument(positionalName, positionalHelp);
    if (!parser_.parse(arguments_))
        return UsageError(parser_.errorText());
    if (parser_.isSet(help_)) {
        Print(stdout, HelpText());
        return 0;
    }
    const QStringList positional = parser_.positionalArguments();
    if (positional.isEmpty())
        return UsageError(QStringLiteral("missing ") + positionalName);
    if (positional.size() > 1)
        return UsageError(QStringLiteral("unexpected argument '%1'").arg(positional.at(1)));
    positional_ = positional.first();
    return std::nullopt;
}

int Subcommand::UsageError(const QString& reason) const
{
    Print(stderr, QStringLiteral("%1: %2\n\n%3").arg(name_, reason, HelpText()));
    return 2;
}

QString Subcommand::HelpText() const
{
    if (!fixedHelp_.isEmpty())
        return fixedHelp_;
    // The parser names the program after the process; the subcommand
    // belongs in the usage line too.
    QString text = parser_.helpText();
    const QString program = QCoreApplication::arguments().value(0);
    const QString usage = QStringLiteral("Usage: ");
    if (!program.isEmpty() && text.startsWith(usage + program))
        text.replace(usage.size(), program.size(), name_);
    return text;
}

} // namespace trellim::cli
