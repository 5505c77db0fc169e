#include "commands.h"

#include "documents/error.h"
#include "eds/edswriter.h"
#include "workspace/folders.h"

#include <QCommandLineParser>

#include <cstdio>

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

int UsageError(const QString& reason)
{
    std::fprintf(stderr, "trellim-cli eds: %s\n\n%s", qPrintable(reason), kEdsUsage);
    return 2;
}

} // namespace

int RunEdsCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help."));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("The EDS file to write."),
                                          QStringLiteral("FILE"));
    parser.addOption(helpOption);
    parser.addOption(outputOption);
    parser.addPositionalArgument(QStringLiteral("PROJECT_FOLDER"),
                                 QStringLiteral("The project folder holding var.xml."));

    if (!parser.parse(arguments))
        return UsageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(kEdsUsage, stdout);
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(positional.isEmpty() ? QStringLiteral("missing PROJECT_FOLDER")
                                               : QStringLiteral("too many arguments"));
    if (!parser.isSet(outputOption) || parser.value(outputOption).isEmpty())
        return UsageError(QStringLiteral("missing --output FILE"));

    const QString projectFolder = positional.first();
    const QString outputPath = parser.value(outputOption);
    // The writer takes a missing var.xml for an empty table; a mistyped
    // folder must not pass for an empty project.
    if (!FolderExists(projectFolder)) {
        std::fprintf(stderr, "Project folder \"%s\" does not exist.\n", qPrintable(projectFolder));
        return 1;
    }

    try {
        EdsWriter writer;
        writer.WriteEdsFile(JoinPath(projectFolder, QStringLiteral("var.xml")), outputPath);
    } catch (const Error& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}

} // namespace trellim::cli
