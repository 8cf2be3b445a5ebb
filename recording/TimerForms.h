// The logic behind the "Timers" and "Set Timer" dialogs and the guide grid's
// record commands, without any window: what a form shows, what its OK does,
// and the list of timer texts. Dialogs hold a timer's identity, never its
// index, because the scheduler removes ended timers while a dialog is open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording/Clock.h"
#include "recording/TimerList.h"
#include "tuning/ChannelList.h"

namespace recording {

inline constexpr std::uint8_t kEveryDay = 0x7F;
inline constexpr std::uint8_t kMondayToFriday = 0x3E;

// The "Set Timer" fields.
struct TimerForm {
  tuning::ChannelLocator channel;
  std::int64_t start = 0;      // the picked local time, in wall-clock seconds
  std::uint32_t duration = 0;  // the picked hours and minutes, in seconds
  std::u16string name;
  RepeatKind repeatKind = RepeatKind::kOnce;
  std::uint8_t dayMask = 0;
};

enum class TimerFormResult {
  kSaved,            // the edited timer was overwritten
  kAdded,            // a new timer was added
  kInvalidDuration,  // 0 or more than 86,400 s; the dialog stays open
  kNoDayChecked,     // weekly without a day; the dialog stays open
  kListFull,
  kConflict,
  kTimerGone,  // the edited timer is no longer in the list
};

// One entry of the "Channel" box.
struct ChannelChoice {
  tuning::ChannelLocator locator;
  std::string text;  // "%d.%d %s": major, minor, short name
};

// The "Channel" box: every enabled channel in list order.
std::vector<ChannelChoice> ChannelChoices(tuning::ChannelList& channels);
// The entry with the channel's two key words, or -1.
int ChoiceOf(const std::vector<ChannelChoice>& choices, const tuning::ChannelLocator& channel);

// The form of an existing timer (a copy; the timer changes only on OK).
TimerForm FormOfTimer(const TimerRecord& timer, const Clock& clock);
// The form of "New...": a new record on the current graph's current channel.
TimerForm NewTimerForm(const tuning::ChannelLocator& currentChannel, const Clock& clock);

// OK of "Set Timer". Editing (`editing` names the timer) overwrites the timer
// in place without a conflict test; otherwise the timer is added, refused
// when it overlaps `conflictLimit` timers (the tuners present and selected).
TimerFormResult SaveTimerForm(TimerList& timers, const std::optional<GUID>& editing,
                              const TimerForm& form, const Clock& clock, int conflictLimit);

// The guide grid's record commands on an event.
enum class GridRecordKind { kRecord, kDaily, kWeekly, kMondayToFriday };

AddTimerResult AddGuideTimer(TimerList& timers, GridRecordKind kind,
                             const tuning::ChannelLocator& channel, std::int64_t startUtc,
                             std::uint32_t duration, std::u16string_view title, const Clock& clock,
                             int conflictLimit);

// The "Timers" list: one text per timer in list order, each with the timer's
// identity. Deleting a timer that records stops its recording first.
class TimersDialogModel {
 public:
  struct Row {
    GUID identity;
    std::string text;
  };

  explicit TimersDialogModel(TimerList& timers) : timers_(timers) { Rebuild(); }

  const std::vector<Row>& Rows() const { return rows_; }
  // Rebuilds the rows from the list; true when they changed (the tick
  // removed or changed a timer).
  bool Rebuild();
  // "Delete": false when the timer has gone meanwhile.
  bool Delete(const GUID& identity);
  // "Delete All": from the last timer to the first.
  void DeleteAll();

 private:
  TimerList& timers_;
  std::vector<Row> rows_;
};

// The index of the timer with this identity, or -1.
int FindTimer(const TimerList& timers, const GUID& identity);

}  // namespace recording
