#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace trellim::cli {

void Print(std::FILE* stream, const QString& text);

// What every subcommand shares: -h/--help, exactly one positional argument,
// and usage errors that print the reason and the help and exit with 2.
class Subcommand {
public:
    // arguments[0] is the command's name as typed ("trellim-cli compose").
    explicit Subcommand(const QStringList& arguments);

    // Add the command's own options and description here before Parse().
    QCommandLineParser& parser() { return parser_; }
    // A fixed help text instead of the one the parser builds.
    void SetHelpText(const QString& text) { fixedHelp_ = text; }

    // Returns the exit code to end with at once (0 after --help, 2 after a
    // usage error), or nullopt when the command goes on with Positional().
    std::optional<int> Parse(const QString& positionalName, const QString& positionalHelp);

    const QString& Name() const { return name_; }
    const QString& Positional() const { return positional_; }
    int UsageError(const QString& reason) const;
    QString HelpText() const;

private:
    QStringList arguments_;
    QString name_;
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QString fixedHelp_;
    QString positional_;
};

} // namespace trellim::cli
