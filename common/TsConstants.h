// The numbers of the MPEG-2 transport stream and of the ATSC and DVB tables
// carried in it, named once for every layer: packet and PID limits, the
// well-known PIDs, table ids, stream types, descriptor tags, the clocks and
// the GPS epoch.
#pragma once

#include <cstddef>
#include <cstdint>

namespace common {

// Transport packets.
inline constexpr std::size_t kPacketSize = 188;
inline constexpr std::uint8_t kSyncByte = 0x47;
inline constexpr std::uint16_t kMaxPid = 0x1FFF;
inline constexpr std::size_t kPidCount = 8192;

// Well-known PIDs.
inline constexpr std::uint16_t kPatPid = 0x0000;
inline constexpr std::uint16_t kCatPid = 0x0001;
inline constexpr std::uint16_t kNitPid = 0x0010;         // DVB network information
inline constexpr std::uint16_t kSdtPid = 0x0011;         // DVB service description, bouquets
inline constexpr std::uint16_t kDvbEitPid = 0x0012;      // DVB event information
inline constexpr std::uint16_t kRstPid = 0x0013;         // DVB running status
inline constexpr std::uint16_t kTdtPid = 0x0014;         // DVB time and date, time offset
inline constexpr std::uint16_t kPsipBasePid = 0x1FFB;    // ATSC PSIP base PID
inline constexpr std::uint16_t kScteSiBasePid = 0x1FFC;  // cable out-of-band SI base PID
inline constexpr std::uint16_t kNullPid = 0x1FFF;

// Table ids.
inline constexpr std::uint8_t kPatTableId = 0x00;
inline constexpr std::uint8_t kCatTableId = 0x01;
inline constexpr std::uint8_t kPmtTableId = 0x02;
inline constexpr std::uint8_t kSdtActualTableId = 0x42;
inline constexpr std::uint8_t kSdtOtherTableId = 0x46;
inline constexpr std::uint8_t kDvbEitPresentFollowingTableId = 0x4E;
inline constexpr std::uint8_t kDvbEitScheduleFirstTableId = 0x50;
inline constexpr std::uint8_t kDvbEitScheduleLastTableId = 0x5F;
inline constexpr std::uint8_t kCableNitTableId = 0xC2;
inline constexpr std::uint8_t kSvctTableId = 0xC4;
inline constexpr std::uint8_t kMgtTableId = 0xC7;
inline constexpr std::uint8_t kTvctTableId = 0xC8;
inline constexpr std::uint8_t kCvctTableId = 0xC9;
inline constexpr std::uint8_t kPsipEitTableId = 0xCB;
inline constexpr std::uint8_t kEttTableId = 0xCC;
inline constexpr std::uint8_t kSttTableId = 0xCD;

// Stream types of a programme map.
inline constexpr std::uint8_t kStreamTypeMpeg2Video = 0x02;
inline constexpr std::uint8_t kStreamTypeMpeg1Audio = 0x03;
inline constexpr std::uint8_t kStreamTypeMpeg2Audio = 0x04;
inline constexpr std::uint8_t kStreamTypeAacLatm = 0x11;
inline constexpr std::uint8_t kStreamTypeH264 = 0x1B;
inline constexpr std::uint8_t kStreamTypeDigiCipherVideo = 0x80;
inline constexpr std::uint8_t kStreamTypeAc3 = 0x81;

// Descriptor tags.
inline constexpr std::uint8_t kCaDescriptorTag = 0x09;
inline constexpr std::uint8_t kIso639LanguageDescriptorTag = 0x0A;
inline constexpr std::uint8_t kServiceDescriptorTag = 0x48;
inline constexpr std::uint8_t kShortEventDescriptorTag = 0x4D;
inline constexpr std::uint8_t kAc3AudioDescriptorTag = 0x81;
inline constexpr std::uint8_t kCaptionServiceDescriptorTag = 0x86;
inline constexpr std::uint8_t kContentAdvisoryDescriptorTag = 0x87;
inline constexpr std::uint8_t kExtendedChannelNameDescriptorTag = 0xA0;
inline constexpr std::uint8_t kServiceLocationDescriptorTag = 0xA1;

// Clocks: presentation times count 90 kHz, the system clock (PCR, SCR) 27 MHz.
inline constexpr std::int64_t kPtsClockHz = 90'000;
inline constexpr std::int64_t kSystemClockHz = 27'000'000;

// The GPS epoch (1980-01-06 00:00:00 UTC) in seconds since 1970; ATSC times
// count from it, without leap seconds.
inline constexpr std::int64_t kGpsToUnixSeconds = 315'964'800;

}  // namespace common
