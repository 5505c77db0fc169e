#include "commands.h"
#include "subcommand.h"

#include "documents/error.h"
#include "eds/edswriter.h"
#include "workspace/folders.h"

namespace trellim::cli {

namespace {

const char* const kEdsUsage =
    "Usage: trellim-cli eds PROJECT_FOLDER --output FILE.eds\n"
    "\n"
    "Writes the CANopen EDS file for the SDO variables of the project's var.xml.\n"
    "A project without var.xml gives an EDS without manufacturer objects.\n"
    "On any error FILE is left as it was.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the EDS file to write (required)\n"
    "  -h, --help          show this help\n";

} // namespace

int RunEdsCommand(const QStringList& arguments)
{
    Subcommand command(arguments);
    command.SetHelpText(QString::fromLatin1(kEdsUsage));
    QCommandLineParser& parser = command.parser();
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("The EDS file to write."),
                                          QStringLiteral("FILE"));
    parser.addOption(outputOption);
    if (const auto exitCode = command.Parse(QStringLiteral("PROJECT_FOLDER"),
                                            QStringLiteral("The project folder holding var.xml.")))
        return *exitCode;
    if (!parser.isSet(outputOption) || parser.value(outputOption).isEmpty())
        return command.UsageError(QStringLiteral("missing --output FILE"));

    const QString projectFolder = command.Positional();
    const QString outputPath = parser.value(outputOption);
    // The writer takes a missing var.xml for an empty table; a mistyped
    // folder must not pass for an empty project.
    if (!FolderExists(projectFolder)) {
        Print(stderr, QStringLiteral("%1: Project folder \"%2\" does not exist.\n").arg(command.Name(), projectFolder));
        return 1;
    }

    try {
        EdsWriter writer;
        writer.WriteEdsFile(JoinPath(projectFolder, QStringLiteral("var.xml")), outputPath);
    } catch (const Error& error) {
        Print(stderr, QStringLiteral("%1: %2\n").arg(command.Name(), error.message()));
        return 1;
    }
    return 0;
}

} // namespace trellim::cli
