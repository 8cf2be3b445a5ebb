#include "recording/TimerForms.h"

#include <algorithm>

#include "common/Utf16.h"

namespace recording {
namespace {

constexpr std::size_t kMaxNameLength = 255;

TimerFormResult Check(const TimerForm& form) {
  if (form.duration == 0 || form.duration > kMaxTimerDuration)
    return TimerFormResult::kInvalidDuration;
  if (form.repeatKind == RepeatKind::kWeekly && (form.dayMask & kEveryDay) == 0)
    return TimerFormResult::kNoDayChecked;
  return TimerFormResult::kSaved;
}

}  // namespace

int FindTimer(const TimerList& timers, const GUID& identity) {
  for (int i = 0; i < timers.count(); ++i)
    if (timers[i].identity == identity) return i;
  return -1;
}

std::vector<ChannelChoice> ChannelChoices(tuning::ChannelList& channels) {
  std::vector<ChannelChoice> choices;
  auto lock = channels.Acquire();
  for (auto& [key, node] : channels) {
    if (!node.record.enabled) continue;
    const tuning::ChannelLocator& l = node.record.locator;
    choices.push_back({l, std::to_string(l.major()) + "." + std::to_string(l.minor()) + " " +
                              common::ToUtf8(common::FieldView(node.record.name))});
  }
  return choices;
}

int ChoiceOf(const std::vector<ChannelChoice>& choices, const tuning::ChannelLocator& channel) {
  for (std::size_t i = 0; i < choices.size(); ++i) {
    const tuning::ChannelLocator& l = choices[i].locator;
    if (l.key1 == channel.key1 && l.key2 == channel.key2) return static_cast<int>(i);
  }
  return -1;
}

TimerForm FormOfTimer(const TimerRecord& timer, const Clock& clock) {
  TimerForm form;
  form.channel = timer.channel;
  form.start = clock.WallClockFromUtc(timer.start);
  form.duration = timer.end - timer.start;
  form.name = std::u16string(common::FieldView(timer.name));
  form.repeatKind = timer.repeatKind;
  form.dayMask = timer.dayMask;
  return form;
}

TimerForm NewTimerForm(const tuning::ChannelLocator& currentChannel, const Clock& clock) {
  TimerRecord record = NewTimerRecord(clock.NowUtc());
  record.channel = currentChannel;
  return FormOfTimer(record, clock);
}

TimerFormResult SaveTimerForm(TimerList& timers, const std::optional<GUID>& editing,
                              const TimerForm& form, const Clock& clock, int conflictLimit) {
  if (const TimerFormResult check = Check(form); check != TimerFormResult::kSaved) return check;
  const auto start = static_cast<std::uint32_t>(clock.UtcFromWallClock(form.start));
  const std::u16string_view name = std::u16string_view(form.name).substr(0, kMaxNameLength);
  if (editing) {
    const int i = FindTimer(timers, *editing);
    if (i < 0) return TimerFormResult::kTimerGone;
    TimerRecord& t = timers[i];
    t.channel = form.channel;
    t.start = start;
    t.end = start + form.duration;
    t.wallClockStart = form.start;
    t.duration = form.duration;
    common::SetField(t.name, name);
    t.repeatKind = form.repeatKind;
    t.dayMask = form.dayMask;
    return TimerFormResult::kSaved;
  }
  switch (timers.AddTimer(form.channel, start, start + form.duration, name, form.repeatKind,
                          form.dayMask, form.start, form.duration, conflictLimit)) {
    case AddTimerResult::kAdded:
      return TimerFormResult::kAdded;
    case AddTimerResult::kListFull:
      return TimerFormResult::kListFull;
    case AddTimerResult::kConflict:
      return TimerFormResult::kConflict;
    case AddTimerResult::kInvalidDuration:
      return TimerFormResult::kInvalidDuration;
  }
  return TimerFormResult::kConflict;
}

AddTimerResult AddGuideTimer(TimerList& timers, GridRecordKind kind,
                             const tuning::ChannelLocator& channel, std::int64_t startUtc,
                             std::uint32_t duration, std::u16string_view title, const Clock& clock,
                             int conflictLimit) {
  const std::int64_t wallStart = clock.WallClockFromUtc(startUtc);
  RepeatKind repeat = RepeatKind::kWeekly;
  std::uint8_t mask = 0;
  switch (kind) {
    case GridRecordKind::kRecord:
      repeat = RepeatKind::kOnce;
      mask = DayBit(WallClockWeekday(wallStart));
      break;
    case GridRecordKind::kDaily:
      mask = kEveryDay;
      break;
    case GridRecordKind::kWeekly:
      mask = DayBit(WallClockWeekday(wallStart));
      break;
    case GridRecordKind::kMondayToFriday:
      mask = kMondayToFriday;
      break;
  }
  const auto start = static_cast<std::uint32_t>(startUtc);
  return timers.AddTimer(channel, start, start + duration, title, repeat, mask, wallStart, duration,
                         conflictLimit);
}

bool TimersDialogModel::Rebuild() {
  std::vector<Row> rows;
  rows.reserve(static_cast<std::size_t>(timers_.count()));
  for (const TimerRecord& t : timers_)
    rows.push_back({t.identity, TimerText(t)});
  const bool changed =
      rows.size() != rows_.size() ||
      !std::equal(rows.begin(), rows.end(), rows_.begin(), [](const Row& a, const Row& b) {
        return a.identity == b.identity && a.text == b.text;
      });
  rows_ = std::move(rows);
  return changed;
}

bool TimersDialogModel::Delete(const GUID& identity) {
  const int i = FindTimer(timers_, identity);
  if (i >= 0) timers_.RemoveTimer(i);
  Rebuild();
  return i >= 0;
}

void TimersDialogModel::DeleteAll() {
  for (int i = timers_.count() - 1; i >= 0; --i)
    timers_.RemoveTimer(i);
  Rebuild();
}

}  // namespace recording
