#include "commands.h"

#include "documents/error.h"
#include "image/configurationimage.h"
#include "workspace/folders.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace trellim::cli {

namespace {

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

// QCommandLineParser names the program after the process; the subcommand
// belongs in the usage line too.
QString HelpText(const QCommandLineParser& parser, const QString& command)
{
    QString text = parser.helpText();
    const QString program = QCoreApplication::arguments().value(0);
    const QString usage = QStringLiteral("Usage: ");
    if (!program.isEmpty() && text.startsWith(usage + program))
        text.replace(usage.size(), program.size(), command);
    return text;
}

} // namespace

int RunComposeCommand(const QStringList& arguments)
{
    const QString command = arguments.value(0, QStringLiteral("trellim-cli compose"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Composes the configuration image from the project folder's var.xml, pdo.xml\n"
                       "and pargen.xml and writes it to PROJECT_FOLDER/bin/bank.bin. A composition\n"
                       "that fails writes nothing and says where and why it stopped."));
    parser.addPositionalArgument(QStringLiteral("PROJECT_FOLDER"), QStringLiteral("The project folder."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the image to FILE instead of bin/bank.bin."),
                                    QStringLiteral("FILE"));
    parser.addOption(output);
    // Not addHelpOption(): its --help-all is only handled by process().
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);

    const auto usageError = [&](const QString& reason) {
        Print(stderr, QStringLiteral("%1: %2\n\n%3").arg(command, reason, HelpText(parser, command)));
        return 2;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        Print(stdout, HelpText(parser, command));
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("missing PROJECT_FOLDER"));
    if (positional.size() > 1)
        return usageError(QStringLiteral("unexpected argument '%1'").arg(positional.at(1)));
    if (parser.isSet(output) && parser.value(output).isEmpty())
        return usageError(QStringLiteral("--output needs a file name"));

    const QString folder = WithNativeSeparators(positional.first());
    if (!FolderExists(folder)) {
        Print(stderr, QStringLiteral("%1: the project folder \"%2\" does not exist\n").arg(command, folder));
        return 1;
    }
    const QString bankPath = parser.isSet(output)
                                 ? WithNativeSeparators(parser.value(output))
                                 : JoinPath(JoinPath(folder, QStringLiteral("bin")), QStringLiteral("bank.bin"));

    const auto composer = std::make_unique<ImageComposer>();
    const CompositionOutcome outcome =
        composer->ComposeImage(JoinPath(folder, QStringLiteral("var.xml")), JoinPath(folder, QStringLiteral("pdo.xml")),
                               JoinPath(folder, QStringLiteral("pargen.xml")));
    for (const QString& warning : outcome.warnings)
        Print(stderr, QStringLiteral("%1: warning: %2\n").arg(command, warning));
    if (!outcome.complete) {
        Print(stderr, QStringLiteral("%1: the composition failed, nothing was written: %2\n").arg(command, outcome.cause));
        return 1;
    }
    try {
        composer->WriteImageFile(bankPath);
    } catch (const Error& error) {
        Print(stderr, QStringLiteral("%1: %2\n").arg(command, error.message()));
        return 1;
    }
    Print(stdout, QStringLiteral("Wrote %1: %2 bytes, %3 SDO rows\n")
                      .arg(bankPath)
                      .arg(outcome.length)
                      .arg(outcome.sdoRows));
    return 0;
}

} // namespace trellim::cli
