#include "recording/TimerList.h"

#include <algorithm>
#include <cstdio>

#include "common/TimeBase.h"
#include "common/Utf16.h"

namespace recording {

using common::FloorDiv;
using common::FloorMod;

namespace {

// Seconds from 1970-01-01 (a Thursday) back to the Sunday before it.
constexpr std::int64_t kThursdayOffset = 259200;
constexpr std::int64_t kHalfWeek = 302399;

constexpr std::uint8_t kAllDays = 0x7F;

}  // namespace

int WallClockWeekday(std::int64_t wallSeconds) {
  return static_cast<int>(FloorMod(FloorDiv(wallSeconds + 345600, kDaySeconds), 7));
}

TimerRecord NewTimerRecord(std::int64_t nowUtc) {
  TimerRecord r;
  r.start = static_cast<std::uint32_t>((nowUtc + 3600) / 3600 * 3600);
  r.end = r.start + 3600;
  common::SetField(r.name, u"Timer Record");
  r.tunerIndex = -1;
  r.repeatKind = RepeatKind::kOnce;
  r.dayMask = DayBit(WallClockWeekday(common::WallClockFromUtc(r.start)));
  r.identity = com::NewGuid();
  return r;
}

int WeeklyOnce(const TimerRecord& w, std::int64_t s, std::int64_t d) {
  const std::int64_t p = FloorMod(s - kThursdayOffset, kWeekSeconds);
  const std::int64_t e = FloorMod(p + d, kWeekSeconds);
  const std::int64_t tod = FloorMod(w.wallClockStart, kDaySeconds);
  int count = 0;
  for (int k = 0; k < 7; ++k) {
    if (!(w.dayMask & DayBit(k))) continue;
    const std::int64_t x = FloorMod(tod + kDaySeconds * k, kWeekSeconds);
    const std::int64_t endsAfter =
        FloorMod(FloorMod(x + w.duration, kWeekSeconds) - p, kWeekSeconds);
    const std::int64_t startsBefore = FloorMod(x - e, kWeekSeconds);
    if (endsAfter >= 1 && endsAfter <= kHalfWeek && startsBefore > kHalfWeek) ++count;
  }
  return count;
}

int Overlap(const TimerRecord& a, const TimerRecord& b) {
  if (a.identity == b.identity) return 0;
  int n = 0;
  if (a.repeatKind == RepeatKind::kOnce && b.repeatKind == RepeatKind::kOnce) {
    n = (b.wallClockStart + b.duration > a.wallClockStart &&
         a.wallClockStart + a.duration > b.wallClockStart)
            ? 1
            : 0;
  } else if (a.repeatKind == RepeatKind::kOnce && b.repeatKind == RepeatKind::kWeekly) {
    n = WeeklyOnce(b, a.wallClockStart, a.duration);
  } else if (a.repeatKind == RepeatKind::kWeekly && b.repeatKind == RepeatKind::kOnce) {
    n = WeeklyOnce(a, b.wallClockStart, b.duration);
  } else if (a.repeatKind == RepeatKind::kWeekly && b.repeatKind == RepeatKind::kWeekly) {
    const std::int64_t bTod = FloorMod(b.wallClockStart, kDaySeconds);
    for (int k = 0; k < 7 && n == 0; ++k) {
      if (!(b.dayMask & DayBit(k))) continue;
      n += WeeklyOnce(a, FloorMod(bTod + kDaySeconds * k, kWeekSeconds) + kThursdayOffset,
                      b.duration);
    }
  }
  // A pair of timers is one conflict however many of their days overlap.
  return std::min(n, 1);
}

bool IsDue(const TimerRecord& t, std::int64_t nowUtc) {
  if (t.repeatKind == RepeatKind::kOnce) return t.start <= nowUtc && nowUtc < t.end;
  if (t.repeatKind != RepeatKind::kWeekly) return false;
  auto day = [](std::int64_t wall) { return FloorDiv(wall + 345600, kDaySeconds); };
  auto tod = [](std::int64_t wall) { return FloorMod(wall + 345600, kDaySeconds); };
  const std::int64_t start = common::WallClockFromUtc(t.start);
  const std::int64_t end = common::WallClockFromUtc(t.end);
  const std::int64_t now = common::WallClockFromUtc(nowUtc);
  const std::uint8_t b = DayBit(static_cast<int>(FloorMod(day(now), 7)));
  const bool crossesMidnight = FloorMod(day(start), 7) != FloorMod(day(end), 7);
  if (crossesMidnight) {
    const std::uint8_t dayBefore =
        static_cast<std::uint8_t>(((t.dayMask >> 1) | (t.dayMask << 6)) & kAllDays);
    return ((t.dayMask & b) && tod(now) >= tod(start)) || ((dayBefore & b) && tod(now) < tod(end));
  }
  return (t.dayMask & b) && tod(start) <= tod(now) && tod(now) < tod(end);
}

std::string TimerText(const TimerRecord& t) {
  if (t.repeatKind != RepeatKind::kOnce && t.repeatKind != RepeatKind::kWeekly) return {};
  const std::tm s = common::WallClockFields(t.wallClockStart);
  const std::tm e = common::WallClockFields(t.wallClockStart + t.duration);
  auto hour12 = [](int h) { return h % 12 == 0 ? 12 : h % 12; };
  auto ampm = [](int h) { return h < 12 ? "AM" : "PM"; };
  const std::string name = common::ToUtf8(common::FieldView(t.name));
  char times[64];
  std::snprintf(times, sizeof times, "%2d:%02d%s-%2d:%02d%s Ch %d.%d ", hour12(s.tm_hour), s.tm_min,
                ampm(s.tm_hour), hour12(e.tm_hour), e.tm_min, ampm(e.tm_hour), t.channel.major(),
                t.channel.minor());
  char head[32];
  if (t.repeatKind == RepeatKind::kOnce) {
    std::snprintf(head, sizeof head, "%02d/%02d   ", s.tm_mon + 1, s.tm_mday);
  } else if (t.dayMask == 0x7F) {
    std::snprintf(head, sizeof head, "%s ", "Daily  ");
  } else if (t.dayMask == 0x3E) {
    std::snprintf(head, sizeof head, "%s ", "M-F    ");
  } else if (t.dayMask == 0x1F) {
    std::snprintf(head, sizeof head, "%s ", "T-S    ");
  } else {
    static constexpr char kLetters[] = "SMTWTFS";
    for (int k = 0; k < 7; ++k)
      head[k] = (t.dayMask & DayBit(k)) ? kLetters[k] : '-';
    head[7] = ' ';
    head[8] = '\0';
  }
  return std::string(head) + times + name;
}

AddTimerResult TimerList::AddTimer(const tuning::ChannelLocator& channel, std::uint32_t start,
                                   std::uint32_t end, std::u16string_view name,
                                   RepeatKind repeatKind, std::uint8_t dayMask,
                                   std::int64_t wallClockStart, std::uint32_t duration,
                                   int tunerCount) {
  if (count_ >= kMaxTimers) return AddTimerResult::kListFull;
  if (duration == 0 || duration > kMaxTimerDuration) return AddTimerResult::kInvalidDuration;
  TimerRecord candidate = NewTimerRecord(start);
  candidate.start = start;
  candidate.end = end;
  candidate.repeatKind = repeatKind;
  candidate.dayMask = dayMask;
  candidate.wallClockStart = wallClockStart;
  candidate.duration = duration;
  if (CountConflicts(candidate) >= tunerCount) return AddTimerResult::kConflict;
  TimerRecord& r = timers_[static_cast<std::size_t>(count_)];
  r = candidate;
  r.channel = channel;
  common::SetField(r.name, name);
  r.recording = 0;
  r.graphLink = 0;
  r.identity = com::NewGuid();
  ++count_;
  return AddTimerResult::kAdded;
}

bool TimerList::AppendLoaded(const TimerRecord& record) {
  if (count_ >= kMaxTimers) return false;
  TimerRecord& r = timers_[static_cast<std::size_t>(count_++)];
  r = record;
  r.recording = 0;
  r.graphLink = 0;
  return true;
}

void TimerList::RemoveTimer(int i) {
  if (i < 0 || i >= count_) return;
  TimerRecord& t = timers_[static_cast<std::size_t>(i)];
  if (t.graphLink != 0 && stopHook_) stopHook_(t);
  t.graphLink = 0;
  t.recording = 0;
  std::move(timers_.begin() + i + 1, timers_.begin() + count_, timers_.begin() + i);
  --count_;
}

bool TimerList::RemoveByIdentity(const GUID& identity) {
  for (int i = 0; i < count_; ++i) {
    if (timers_[static_cast<std::size_t>(i)].identity == identity) {
      RemoveTimer(i);
      return true;
    }
  }
  return false;
}

int TimerList::CountConflicts(const TimerRecord& candidate) const {
  int n = 0;
  for (const TimerRecord& t : *this)
    n += Overlap(candidate, t);
  return n;
}

bool TimerList::IsScheduled(std::uint32_t key1, std::uint32_t key2, std::int64_t wallClockStart,
                            std::int64_t duration) const {
  for (const TimerRecord& t : *this) {
    if (t.channel.key1 != key1 || t.channel.key2 != key2) continue;
    if (t.repeatKind == RepeatKind::kOnce) {
      if (wallClockStart + duration > t.wallClockStart &&
          t.wallClockStart + t.duration > wallClockStart) {
        return true;
      }
    } else if (t.repeatKind == RepeatKind::kWeekly && WeeklyOnce(t, wallClockStart, duration) > 0) {
      return true;
    }
  }
  return false;
}

std::optional<std::int64_t> TimerList::SecondsToNextTimer(std::int64_t nowUtc) const {
  std::optional<std::int64_t> best;
  auto offer = [&best](std::int64_t delay) {
    if (delay >= 0 && (!best || delay < *best)) best = delay;
  };
  const std::int64_t n = common::WallClockFromUtc(nowUtc);
  const std::int64_t p = FloorMod(n - kThursdayOffset, kWeekSeconds);
  for (const TimerRecord& t : *this) {
    if (t.repeatKind == RepeatKind::kWeekly) {
      const std::int64_t tod = FloorMod(t.wallClockStart, kDaySeconds);
      for (int k = 0; k < 7; ++k) {
        if (!(t.dayMask & DayBit(k))) continue;
        const std::int64_t wallDelay = FloorMod(tod + kDaySeconds * k - p, kWeekSeconds);
        std::int64_t at = common::UtcFromWallClock(n + wallDelay) - nowUtc;
        // Near a clock change the local occurrence may map just before now:
        // then the one a week later is the next.
        if (at < 0) at = common::UtcFromWallClock(n + wallDelay + kWeekSeconds) - nowUtc;
        offer(at);
      }
    } else if (t.repeatKind == RepeatKind::kOnce && t.start >= nowUtc) {
      const std::int64_t delay = static_cast<std::int64_t>(t.start) - nowUtc;
      if (delay < (std::int64_t{1} << 32)) offer(delay);
    }
  }
  return best;
}

}  // namespace recording
