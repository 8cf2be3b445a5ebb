// TimerRecord: one recording timer, 640 bytes, stored whole in the settings
// file. Offsets are part of the file format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com/Guid.h"
#include "tuning/ChannelLocator.h"

namespace recording {

enum class RepeatKind : std::uint8_t { kOnce = 0, kWeekly = 1 };

struct TimerRecord {
  std::uint8_t reserved0[24] = {};
  tuning::ChannelLocator channel;
  std::uint32_t start = 0;  // UTC seconds since 1970, unsigned
  std::uint32_t end = 0;    // start + duration
  std::uint32_t reserved48 = 0;
  char16_t name[256] = {};
  std::uint8_t recording = 0;  // 1 while a recording for this timer runs
  std::uint8_t reserved565[3] = {};
  // Run-time link to the graph recording it, as an index + 1 (0 = none); a
  // pointer would not fit the 4 bytes on a 64-bit machine. Files carry 0.
  std::uint32_t graphLink = 0;
  std::int32_t tunerIndex = -1;
  GUID identity;
  RepeatKind repeatKind = RepeatKind::kOnce;  // files may hold other values
  std::uint8_t dayMask = 0;                   // 0x40 Sunday ... 0x01 Saturday
  std::uint8_t reserved594[6] = {};
  std::int64_t wallClockStart = 0;
  std::uint32_t duration = 0;
  std::uint32_t reserved612 = 0;
  std::int64_t lastRecordingStart = 0;  // UTC seconds
  std::uint8_t reserved624[16] = {};
};

static_assert(sizeof(TimerRecord) == 640);
static_assert(offsetof(TimerRecord, channel) == 24);
static_assert(offsetof(TimerRecord, start) == 40);
static_assert(offsetof(TimerRecord, end) == 44);
static_assert(offsetof(TimerRecord, name) == 52);
static_assert(offsetof(TimerRecord, recording) == 564);
static_assert(offsetof(TimerRecord, graphLink) == 568);
static_assert(offsetof(TimerRecord, tunerIndex) == 572);
static_assert(offsetof(TimerRecord, identity) == 576);
static_assert(offsetof(TimerRecord, repeatKind) == 592);
static_assert(offsetof(TimerRecord, dayMask) == 593);
static_assert(offsetof(TimerRecord, wallClockStart) == 600);
static_assert(offsetof(TimerRecord, duration) == 608);
static_assert(offsetof(TimerRecord, lastRecordingStart) == 616);

inline constexpr int kMaxTimers = 512;
// The longest timer: a day.
inline constexpr std::uint32_t kMaxTimerDuration = 86400;

}  // namespace recording
