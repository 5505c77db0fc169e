#pragma once

#include <QtGlobal>

namespace trellim {

// Tells the system that a large buffer about to be filled front to back is
// best backed by huge pages. On virtual machines the page faults of tens of
// megabytes of 4 KB pages can cost more than building the text itself. A
// hint only: does nothing where the system has no such notion.
void AdviseLargeBuffer(char* data, qsizetype size);

} // namespace trellim
