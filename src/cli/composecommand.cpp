#include "commands.h"
#include "subcommand.h"

#include "documents/error.h"
#include "image/configurationimage.h"
#include "workspace/folders.h"

#include <memory>

namespace trellim::cli {

int RunComposeCommand(const QStringList& arguments)
{
    Subcommand command(arguments);
    QCommandLineParser& parser = command.parser();
    parser.setApplicationDescription(
        QStringLiteral("Composes the configuration image from the project folder's var.xml, pdo.xml\n"
                       "and pargen.xml and writes it to PROJECT_FOLDER/bin/bank.bin. A composition\n"
                       "that fails writes nothing and says where and why it stopped."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the image to FILE instead of bin/bank.bin."),
                                    QStringLiteral("FILE"));
    parser.addOption(output);
    if (const auto exitCode = command.Parse(QStringLiteral("PROJECT_FOLDER"), QStringLiteral("The project folder.")))
        return *exitCode;
    if (parser.isSet(output) && parser.value(output).isEmpty())
        return command.UsageError(QStringLiteral("--output needs a file name"));

    const QString folder = WithNativeSeparators(command.Positional());
    if (!FolderExists(folder)) {
        Print(stderr, QStringLiteral("%1: the project folder \"%2\" does not exist\n").arg(command.Name(), folder));
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
        Print(stderr, QStringLiteral("%1: warning: %2\n").arg(command.Name(), warning));
    if (!outcome.complete) {
        Print(stderr, QStringLiteral("%1: the composition failed, nothing was written: %2\n").arg(command.Name(), outcome.cause));
        return 1;
    }
    try {
        composer->WriteImageFile(bankPath);
    } catch (const Error& error) {
        Print(stderr, QStringLiteral("%1: %2\n").arg(command.Name(), error.message()));
        return 1;
    }
    Print(stdout, QStringLiteral("Wrote %1: %2 bytes, %3 SDO rows\n")
                      .arg(bankPath)
                      .arg(outcome.length)
                      .arg(outcome.sdoRows));
    return 0;
}

} // namespace trellim::cli
