#include "tables/guide/GuideStore.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "platform/io/AtomicWrite.h"

namespace tables {
namespace {

constexpr std::size_t kDescriptionCharacters = 1023;

std::u16string Widen(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

struct ClockTime {
  int hour12;
  int minute;
  const char* half;
};

ClockTime RoundedClock(std::uint32_t gps) {
  const std::int64_t utc =
      (static_cast<std::int64_t>(gps) + common::kGpsToUnixSeconds + 30) / 60 * 60;
  const std::tm tm = common::LocalTime(utc);
  const int hour12 = tm.tm_hour == 0 ? 12 : (tm.tm_hour > 12 ? tm.tm_hour - 12 : tm.tm_hour);
  return {hour12, tm.tm_min, tm.tm_hour < 12 ? "AM" : "PM"};
}

void CopyCut(std::span<char16_t> field, std::u16string_view text) {
  common::SetField(field, text);
}

}  // namespace

const GuideEvent* FindCurrentEvent(tuning::ChannelNode& channel, std::int64_t nowUtc) {
  const GuideEvent* current = nullptr;
  for (const auto& [key, event] : channel.events) {
    const std::int64_t start = static_cast<std::int64_t>(event.start) + common::kGpsToUnixSeconds;
    if (start <= nowUtc && nowUtc < start + static_cast<std::int64_t>(event.duration)) {
      current = &event;
    }
  }
  return current;
}

const EventText* FindEventText(tuning::ChannelNode& channel, const GuideEvent& event) {
  return channel.texts.Find(EventTextKey(EventEtmId(event.sourceId, event.eventId)));
}

std::u16string EventTimeLine(const GuideEvent& event) {
  const ClockTime start = RoundedClock(event.start);
  const ClockTime end = RoundedClock(event.start + event.duration);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d:%02d %s - %d:%02d %s  ", start.hour12, start.minute,
                start.half, end.hour12, end.minute, end.half);
  const std::size_t ratingLength =
      std::find(event.rating, event.rating + sizeof event.rating, 0) - event.rating;
  return Widen(buf) + Widen(std::string_view(event.rating, ratingLength));
}

void BuildNowPlaying(tuning::ChannelList& channels, NowPlayingInfo& info, std::uint32_t key1,
                     std::uint32_t key2, std::int32_t signalQuality, std::int64_t nowUtc) {
  info.physical = static_cast<std::int32_t>(key1 & 0xFF);
  info.major = static_cast<std::int32_t>(key2 & 0xFFFF);
  info.minor = static_cast<std::int32_t>((key1 >> 8) & 0xFFFF);
  info.reserved = 0;
  std::fill(std::begin(info.shortName), std::end(info.shortName), u'\0');
  std::fill(std::begin(info.title), std::end(info.title), u'\0');
  std::fill(std::begin(info.timeLine), std::end(info.timeLine), u'\0');
  std::fill(std::begin(info.reserved2), std::end(info.reserved2), u'\0');
  std::fill(std::begin(info.description), std::end(info.description), u'\0');
  info.signalQuality = static_cast<std::uint8_t>(signalQuality);

  auto lock = channels.Acquire();
  tuning::ChannelNode* channel = channels.FindByKeys(key1, key2);
  if (!channel) return;
  CopyCut(info.shortName, common::FieldView(channel->record.name));
  const GuideEvent* event = FindCurrentEvent(*channel, nowUtc);
  if (!event) return;
  CopyCut(info.timeLine, EventTimeLine(*event));
  CopyCut(info.title, common::FieldView(event->title));
  if (const EventText* text = FindEventText(*channel, *event)) {
    std::u16string_view description = text->text;
    CopyCut(info.description, description.substr(0, kDescriptionCharacters));
  }
}

std::u16string GuideText(tuning::ChannelList& channels) {
  std::u16string out;
  auto pad = [](std::u16string_view text, std::size_t width) {
    std::u16string s(text);
    if (s.size() < width) s.append(width - s.size(), u' ');
    return s;
  };
  auto lock = channels.Acquire();
  for (auto& [key, node] : channels) {
    const tuning::ChannelRecord& r = node.record;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%2d.%-2d ", static_cast<int>(r.locator.major()),
                  static_cast<int>(r.locator.minor()));
    out += Widen(buf);
    out += pad(common::FieldView(r.name), 8);
    std::snprintf(buf, sizeof buf, " source_id:0x%08X\r\n", static_cast<unsigned>(r.sourceId));
    out += Widen(buf);
    for (const auto& [eventKey, event] : node.events) {
      const std::int64_t start = static_cast<std::int64_t>(event.start) + common::kGpsToUnixSeconds;
      out += u"  ";
      out += Widen(common::TimeText(start));
      out += u"-";
      out += Widen(common::TimeText(start + event.duration));
      out += u" ";
      out += pad(common::FieldView(event.title), 48);
      std::snprintf(buf, sizeof buf, " id:%5d ver:0x%02X\r\n", static_cast<int>(event.eventId),
                    static_cast<unsigned>(event.version));
      out += Widen(buf);
    }
  }
  return out;
}

std::error_code DumpGuide(tuning::ChannelList& channels, const std::filesystem::path& dataFolder) {
  const std::u16string text = GuideText(channels);
  std::vector<std::uint8_t> bytes{0xFF, 0xFE};
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return io::WriteFileAtomic(dataFolder / "Guide.txt", bytes);
}

}  // namespace tables
