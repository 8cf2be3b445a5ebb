// Program association table: its checks and the PSI PIDs it contributes.
#pragma once

#include <cstdint>
#include <span>

#include "tables/sections/PsiPidList.h"
#include "tables/sections/SectionHeader.h"

namespace tables {

// The checks a PAT must pass before it is used or stored.
bool CheckPat(std::span<const std::uint8_t> section);

// Adds every programme's PID (the network PID too) that is not listed yet.
void AddPatPids(std::span<const std::uint8_t> section, PsiPidList& pids);

// The PMT PID of a programme in a checked PAT; -1 when the programme is absent.
std::int32_t FindProgramPid(std::span<const std::uint8_t> section, std::uint16_t programNumber);

}  // namespace tables
