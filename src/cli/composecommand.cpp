#include "commands.h"

#include <cstdio>

namespace trellim::cli {

int RunComposeCommand(const QStringList&)
{
    std::fputs("trellim-cli: the compose command is not available yet\n", stderr);
    return 1;
}

} // namespace trellim::cli
