#include "commands.h"

#include <cstdio>

namespace trellim::cli {

int RunDumpCommand(const QStringList&)
{
    std::fputs("trellim-cli: the dump command is not available yet\n", stderr);
    return 1;
}

} // namespace trellim::cli
