// The "PSIP.txt" dump of single sections, routed by table_id, and of the
// whole section store.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "tables/dump/DumpText.h"
#include "tables/sections/SectionStore.h"

namespace tables {

void DumpSection(DumpText& out, std::span<const std::uint8_t> section);

// The MPEG and DVB tables.
void DumpGeneric(DumpText& out, std::span<const std::uint8_t> section);
void DumpPat(DumpText& out, std::span<const std::uint8_t> section);
void DumpPmt(DumpText& out, std::span<const std::uint8_t> section);
void DumpSdt(DumpText& out, std::span<const std::uint8_t> section);
void DumpDvbEit(DumpText& out, std::span<const std::uint8_t> section);
void DumpCableNit(DumpText& out, std::span<const std::uint8_t> section);

// The ATSC tables.
void DumpMgt(DumpText& out, std::span<const std::uint8_t> section);
void DumpPsipEit(DumpText& out, std::span<const std::uint8_t> section);
void DumpVct(DumpText& out, std::span<const std::uint8_t> section);
void DumpSvct(DumpText& out, std::span<const std::uint8_t> section);

// " TIDE=0x%04X Ver=%d current=%d Section=%d/%d\n" after "    <name>".
void DumpLongHeader(DumpText& out, std::span<const std::uint8_t> section, const char* name,
                    const char* extensionLabel);

// The text of the store's dump, "\n" line ends.
std::string SectionStoreText(const SectionStore& store);

// Writes "PSIP.txt" into `dataFolder` with CR LF line ends; an unopenable
// file is skipped.
void DumpSectionStore(const SectionStore& store, const std::filesystem::path& dataFolder);

}  // namespace tables
