#pragma once

namespace trellim {
} // namespace trellim
