#include "commands.h"

#include <cstdio>

namespace trellim::cli {

int RunEdsCommand(const QStringList&)
{
    std::fputs("trellim-cli: the eds command is not available yet\n", stderr);
    return 1;
}

} // namespace trellim::cli
