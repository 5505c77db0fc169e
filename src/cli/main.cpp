#include "commands.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <map>

namespace {

const char* const kUsage =
    "Usage: trellim-cli <command> [arguments]\n"
    "\n"
    "Composes the gateway's configuration image and EDS file from a project\n"
    "folder, without the desktop tool.\n"
    "\n"
    "Commands:\n"
    "  compose PROJECT_FOLDER [--output FILE]   write bin/bank.bin (or FILE)\n"
    "  dump FILE [--json]                       list an image's contents\n"
    "  eds PROJECT_FOLDER --output FILE.eds     write the EDS file\n"
    "\n"
    "Options:\n"
    "  -h, --help       show this help (also after a command)\n"
    "  -v, --version    show the version\n"
    "\n"
    "Exit codes: 0 success, 1 bad input or failed work, 2 usage error.\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trellim-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TRELLIM_VERSION));

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString command = arguments.at(1);
    if (command == u"-h" || command == u"--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == u"-v" || command == u"--version") {
        std::printf("trellim-cli %s\n", TRELLIM_VERSION);
        return 0;
    }

    const std::map<QString, std::function<int(const QStringList&)>> commands{
        {QStringLiteral("compose"), trellim::cli::RunComposeCommand},
        {QStringLiteral("dump"), trellim::cli::RunDumpCommand},
        {QStringLiteral("eds"), trellim::cli::RunEdsCommand},
    };
    const auto found = commands.find(command);
    if (found == commands.end()) {
        std::fprintf(stderr, "trellim-cli: unknown command '%s'\n\n%s", qPrintable(command), kUsage);
        return 2;
    }
    QStringList commandArguments = arguments.mid(2);
    commandArguments.prepend(QStringLiteral("trellim-cli ") + command);
    return found->second(commandArguments);
}
