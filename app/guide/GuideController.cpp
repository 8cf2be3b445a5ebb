#include "app/guide/GuideController.h"

#include "app/TimerMessages.h"
#include "app/guide/GuideCommands.h"
#include "common/Utf16.h"
#include "tables/grid/GridText.h"

namespace app {
namespace {

using tables::grid::GridEvent;
using tables::grid::GridRow;

// The guide's layout in dialog units (296 x 184), scaled to the overlay.
constexpr int kDialogWidth = 296;
constexpr int kDialogHeight = 184;
constexpr ui::Rect kDetailsUnits{4, 4, 292, 52};
constexpr ui::Rect kDateUnits{4, 56, 76, 72};
constexpr ui::Rect kTimesUnits{80, 56, 292, 72};
constexpr ui::Rect kChannelsUnits{4, 76, 76, 180};
constexpr ui::Rect kBoxesUnits{80, 76, 292, 180};

ui::Rect Scaled(const ui::Rect& units, ui::Size client) {
  return {units.left * client.width / kDialogWidth, units.top * client.height / kDialogHeight,
          units.right * client.width / kDialogWidth, units.bottom * client.height / kDialogHeight};
}

ui::GlassPane OneLabel(const ui::Rect& rect, std::string text) {
  return {rect, {{{0, 0, rect.Width(), rect.Height()}, std::move(text), 0}}};
}

recording::GridRecordKind KindOf(std::uint16_t command) {
  switch (command) {
    case kGuideRecordDaily:
      return recording::GridRecordKind::kDaily;
    case kGuideRecordWeekly:
      return recording::GridRecordKind::kWeekly;
    case kGuideRecordMondayToFriday:
      return recording::GridRecordKind::kMondayToFriday;
    default:
      return recording::GridRecordKind::kRecord;
  }
}

}  // namespace

GuideController::GuideController(IGuideHost& host, const tuning::ChannelLocator& current)
    : host_(host),
      grid_(tables::grid::TakeGridSnapshot(
                host.Channels(), tables::grid::GuideGrid::OpeningStart(host.Clock().NowUtc())),
            current) {}

bool GuideController::OnCommand(std::uint16_t command) {
  switch (command) {
    case kGuideNextRow:
      grid_.NextRow();
      break;
    case kGuidePreviousRow:
      grid_.PreviousRow();
      break;
    case kGuidePageDown:
      grid_.PageDown();
      break;
    case kGuidePageUp:
      grid_.PageUp();
      break;
    case kGuideNextProgramme:
      grid_.NextProgramme();
      break;
    case kGuidePreviousProgramme:
      grid_.PreviousProgramme();
      break;
    case kGuideDayLater:
      grid_.DayLater();
      break;
    case kGuideDayEarlier:
      grid_.DayEarlier();
      break;
    case kGuideTune:
      TuneSelected();
      return true;
    case kGuideRecordOnce:
      Record(command, SelectedTarget());
      return true;
    case kGuideRecordDaily:
    case kGuideRecordWeekly:
    case kGuideRecordMondayToFriday:
    case kGuideRecordCustom:
      Record(command, remembered_);
      return true;
    case kGuideOk:
    case kGuideCancel:
      host_.CloseGuide();
      return true;
    default:
      return false;
  }
  Refresh();
  return true;
}

const tables::grid::GridBox* GuideController::BoxAtClient(int x, int y) const {
  return grid_.BoxAt(x - boxesPane_.left, y - boxesPane_.top);
}

void GuideController::LeftPress(int x, int y) {
  if (const tables::grid::GridBox* box = BoxAtClient(x, y)) {
    grid_.Select(*box);
    Refresh();
  }
}

void GuideController::DoubleClick(int x, int y) {
  if (BoxAtClient(x, y)) OnCommand(kGuideTune);
}

bool GuideController::RightPress(int x, int y) {
  const tables::grid::GridBox* box = BoxAtClient(x, y);
  if (!box) return false;
  remembered_ = {box->row, box->event};
  grid_.Select(*box);
  Refresh();
  return true;
}

GuideController::Target GuideController::SelectedTarget() const {
  const GridEvent* event = grid_.SelectedEvent();
  if (!event) return {};
  const GridRow& row = *grid_.SelectedChannel();
  return {grid_.SelectedRow(), static_cast<int>(event - row.events.data())};
}

void GuideController::TuneSelected() {
  const GridRow* row = grid_.SelectedChannel();
  if (!grid_.SelectedEvent() || !row || host_.Recording()) return;
  tuning::ChannelList& channels = host_.Channels();
  tuning::ChannelLocator locator;
  {
    auto lock = channels.Acquire();
    const tuning::ChannelNode* node = channels.FindByKeys(row->locator.key1, row->locator.key2);
    if (!node) return;
    locator = node->record.locator;
  }
  host_.Tune(locator);
}

void GuideController::Record(std::uint16_t command, Target target) {
  const auto& rows = grid_.Rows();
  if (target.row < 0 || target.row >= static_cast<int>(rows.size())) return;
  const GridRow& row = rows[static_cast<std::size_t>(target.row)];
  const GridEvent& event = row.events[static_cast<std::size_t>(target.event)];
  if (event.filler) return;
  tuning::ChannelList& channels = host_.Channels();
  tuning::ChannelLocator locator;
  {
    auto lock = channels.Acquire();
    const tuning::ChannelNode* node = channels.FindByKeys(row.locator.key1, row.locator.key2);
    if (!node) return;
    locator = node->record.locator;
  }
  const recording::Clock& clock = host_.Clock();
  if (command == kGuideRecordCustom) {
    recording::TimerForm form;
    form.channel = locator;
    form.start = clock.WallClockFromUtc(event.start);
    form.duration = event.duration;
    form.name = event.title;
    form.dayMask = recording::DayBit(recording::WallClockWeekday(form.start));
    host_.OpenSetTimer(form);
  } else {
    const recording::AddTimerResult result =
        recording::AddGuideTimer(host_.Timers(), KindOf(command), locator, event.start,
                                 event.duration, event.title, clock, host_.ConflictLimit());
    if (const char* refusal = AddTimerRefusalText(result)) host_.ShowError(refusal);
  }
  Refresh();
}

bool GuideController::IsScheduled(const GridRow& row, const GridEvent& event) const {
  return host_.Timers().IsScheduled(row.locator.key1, row.locator.key2,
                                    host_.Clock().WallClockFromUtc(event.start), event.duration);
}

void GuideController::Resize(ui::Size client) {
  client_ = client;
  Refresh();
}

void GuideController::Refresh() {
  boxesPane_ = Scaled(kBoxesUnits, client_);
  grid_.Refresh(
      boxesPane_.Width(), boxesPane_.Height(),
      [this](const GridRow& row, const GridEvent& event) { return IsScheduled(row, event); });
  panes_.clear();

  std::string details;
  if (const GridEvent* event = grid_.SelectedEvent()) {
    const GridRow& row = *grid_.SelectedChannel();
    std::u16string description;
    bool found = false;
    {
      // Descriptions are read live: texts that arrived since the guide
      // opened show.
      tuning::ChannelList& channels = host_.Channels();
      auto lock = channels.Acquire();
      if (tuning::ChannelNode* node = channels.FindByKeys(row.locator.key1, row.locator.key2)) {
        if (const tuning::EventText* text = node->texts.Find(
                tuning::EventTextKey(tuning::EventEtmId(event->sourceId, event->eventId)))) {
          description = text->text;
          found = true;
        }
      }
    }
    details = tables::grid::DetailsText(*event, found ? &description : nullptr);
  }
  panes_.push_back(OneLabel(Scaled(kDetailsUnits, client_), std::move(details)));
  panes_.push_back(
      OneLabel(Scaled(kDateUnits, client_), tables::grid::DateLabel(grid_.GridStart())));

  ui::GlassPane times{Scaled(kTimesUnits, client_), {}};
  const int halfHour = boxesPane_.Width() / 4;
  int x = 0;
  for (std::string& label : tables::grid::TimeLabels(grid_.GridStart())) {
    times.labels.push_back({{x, 0, x + halfHour, times.rect.Height()}, std::move(label), 0});
    x += halfHour;
  }
  panes_.push_back(std::move(times));

  ui::GlassPane labels{Scaled(kChannelsUnits, client_), {}};
  const int rowHeight = boxesPane_.Height() / tables::grid::kVisibleRows;
  const auto& rows = grid_.Rows();
  for (int r = grid_.FirstRow();
       r < static_cast<int>(rows.size()) && r < grid_.FirstRow() + tables::grid::kVisibleRows;
       ++r) {
    const int y = (r - grid_.FirstRow()) * rowHeight;
    labels.labels.push_back({{0, y, labels.rect.Width(), y + rowHeight},
                             tables::grid::ChannelLabel(rows[static_cast<std::size_t>(r)]),
                             0});
  }
  panes_.push_back(std::move(labels));

  ui::GlassPane boxes{boxesPane_, {}};
  for (const tables::grid::GridBox& box : grid_.Boxes()) {
    const GridEvent& event =
        rows[static_cast<std::size_t>(box.row)].events[static_cast<std::size_t>(box.event)];
    std::uint8_t style = 0;
    if (box.selected) style |= ui::kGlassOlive;
    if (box.recording) style |= ui::kGlassRecording;
    boxes.labels.push_back({{box.x, box.y, box.x + box.width, box.y + box.height},
                            common::ToUtf8(event.title),
                            style});
  }
  panes_.push_back(std::move(boxes));
}

}  // namespace app
