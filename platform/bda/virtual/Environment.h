// The environment variables of the virtual tuner: CORVANE_BROADCAST names the
// broadcast description, CORVANE_TUNER_PACE=0 removes pacing.
#pragma once

#include <filesystem>

namespace vtuner {

inline constexpr const char* kBroadcastVariable = "CORVANE_BROADCAST";
inline constexpr const char* kPaceVariable = "CORVANE_TUNER_PACE";

// The description named by CORVANE_BROADCAST, or `fallback` when it is unset or empty.
std::filesystem::path BroadcastPathFromEnvironment(const std::filesystem::path& fallback);

// False when CORVANE_TUNER_PACE is "0" (or "off", "no", "false"); the variable
// can only remove pacing, never add it to a description that switched it off.
bool PacingAllowedByEnvironment();

}  // namespace vtuner
