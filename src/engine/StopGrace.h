#pragma once

#include <chrono>

namespace Engine {

// How long a stopped engine has to end on SIGTERM before its process group
// gets SIGKILL.
inline constexpr std::chrono::milliseconds stopGrace{3000};

}  // namespace Engine
