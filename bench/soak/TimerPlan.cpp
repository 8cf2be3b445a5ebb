#include "bench/soak/TimerPlan.h"

#include <algorithm>

#include "common/TimeBase.h"
#include "common/Utf16.h"

namespace soak {
namespace {

using recording::kDaySeconds;
using recording::RepeatKind;
using recording::TimerForm;

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kMinute = 60;
constexpr int kSaturday = 6;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

TimerForm Form(const tuning::ChannelLocator& channel, std::int64_t startWall, std::int64_t minutes,
               std::u16string name, RepeatKind kind, std::uint8_t days) {
  TimerForm f;
  f.channel = channel;
  f.start = startWall;
  f.duration = static_cast<std::uint32_t>(minutes * kMinute);
  f.name = std::move(name);
  f.repeatKind = kind;
  f.dayMask = days;
  return f;
}

}  // namespace

Span SpanAround(std::int64_t weekBoundaryWall, int days) {
  Span s;
  s.beginWall = weekBoundaryWall - days * (kDaySeconds / 2);
  // Noon of that day.
  s.beginWall = FloorDiv(s.beginWall, kDaySeconds) * kDaySeconds + 12 * kHour;
  s.endWall = s.beginWall + days * kDaySeconds;
  return s;
}

std::vector<TimerForm> PlanTimers(const Span& span, const PlanChannels& ch) {
  // The first midnight inside the span: the weekly slots start on that day.
  const std::int64_t firstDay = FloorDiv(span.beginWall, kDaySeconds) * kDaySeconds + kDaySeconds;
  std::vector<TimerForm> forms{
      Form(ch.first, firstDay + 6 * kHour + 30 * kMinute, 30, u"Morning News", RepeatKind::kWeekly,
           recording::kMondayToFriday),
      Form(ch.first, firstDay + 20 * kHour, 60, u"Evening", RepeatKind::kWeekly,
           recording::kEveryDay),
      Form(ch.other, firstDay + 23 * kHour + 30 * kMinute, 60, u"Late Movie", RepeatKind::kWeekly,
           recording::kEveryDay),
      Form(ch.second, firstDay + 23 * kHour + 45 * kMinute, 30, u"Weekend Weather",
           RepeatKind::kWeekly, recording::DayBit(kSaturday)),
  };
  bool acrossMidnight = false;
  for (std::int64_t day = firstDay - kDaySeconds; day < span.endWall; day += kDaySeconds) {
    const std::u16string date =
        common::FromUtf8(std::to_string(common::WallClockFields(day).tm_mday));
    const std::int64_t noon = day + 13 * kHour + 10 * kMinute;
    if (noon >= span.beginWall && noon + 20 * kMinute <= span.endWall) {
      forms.push_back(Form(ch.second, noon, 20, u"Noon " + date, RepeatKind::kOnce, 0));
    }
    const std::int64_t evening = day + 20 * kHour + 30 * kMinute;
    if (evening >= span.beginWall && evening + kHour <= span.endWall) {
      forms.push_back(Form(ch.other, evening, 60, u"Evening Once " + date, RepeatKind::kOnce, 0));
    }
    const std::int64_t late = day + 23 * kHour + 50 * kMinute;
    const bool saturday = recording::WallClockWeekday(day) == kSaturday;
    if (!acrossMidnight && !saturday && late >= span.beginWall &&
        late + 30 * kMinute <= span.endWall) {
      forms.push_back(Form(ch.first, late, 30, u"Midnight Once", RepeatKind::kOnce, 0));
      acrossMidnight = true;
    }
  }
  return forms;
}

std::vector<Occurrence> Occurrences(const recording::TimerList& timers, const Span& span,
                                    const recording::Clock& clock) {
  const std::int64_t beginUtc = clock.UtcFromWallClock(span.beginWall);
  const std::int64_t endUtc = clock.UtcFromWallClock(span.endWall);
  std::vector<Occurrence> out;
  auto add = [&](const recording::TimerRecord& t, std::int64_t start) {
    const std::int64_t end = start + t.duration;
    if (start >= beginUtc && end <= endUtc) {
      out.push_back({t.identity, common::ToUtf8(common::FieldView(t.name)), start, end});
    }
  };
  for (const recording::TimerRecord& t : timers) {
    if (t.repeatKind == RepeatKind::kOnce) {
      add(t, t.start);
      continue;
    }
    const std::int64_t startWall = clock.WallClockFromUtc(t.start);
    const std::int64_t timeOfDay = startWall - FloorDiv(startWall, kDaySeconds) * kDaySeconds;
    // From the day before the span, for a slot that began then.
    for (std::int64_t day = FloorDiv(span.beginWall, kDaySeconds) * kDaySeconds - kDaySeconds;
         day < span.endWall; day += kDaySeconds) {
      if ((t.dayMask & recording::DayBit(recording::WallClockWeekday(day))) == 0) continue;
      add(t, clock.UtcFromWallClock(day + timeOfDay));
    }
  }
  std::sort(out.begin(), out.end(),
            [](const Occurrence& a, const Occurrence& b) { return a.startUtc < b.startUtc; });
  return out;
}

}  // namespace soak
