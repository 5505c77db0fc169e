#pragma once

#include <QStringList>

namespace trellim::cli {

// Each subcommand gets its own argument list: the first entry is the
// command's name as typed ("trellim-cli compose"), the rest are its
// arguments. The result is the process exit code: 0 success, 1 bad input or
// failed work, 2 usage error.
int RunComposeCommand(const QStringList& arguments);
int RunDumpCommand(const QStringList& arguments);
int RunEdsCommand(const QStringList& arguments);

} // namespace trellim::cli
