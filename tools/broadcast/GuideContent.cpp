#include "tools/broadcast/GuideContent.h"

#include <array>
#include <string_view>

#include "common/TimeBase.h"

namespace broadcast {
namespace {

struct Programme {
  const char* english;  // "" = untitled
  const char* spanish;  // nullptr = English only
  const char* description;
};

struct Theme {
  const char* name;
  std::vector<Programme> programmes;
  std::vector<RatingDimension> rating;
  const char* ratingText;
};

const std::vector<Theme>& Themes() {
  static const std::vector<Theme> themes = {
      {"news",
       {{"Evening News", "Noticias de la Tarde", "A look at the news of the day."},
        {"Morning Report", nullptr, "Weather, traffic and sports."},
        {"City Hall Live", nullptr, "The council meets on the new bridge. Part 2 of 3."},
        {"World Desk", "Mundo Hoy", "Reports from our correspondents abroad."}},
       {},
       ""},
      {"weather",
       {{"Weather Now", nullptr, "Forecast for the region, hour by hour."},
        {"", nullptr, "Radar loop and local observations."},
        {"Storm Watch", nullptr, "Severe weather outlook for the coming week."}},
       {},
       ""},
      {"movies",
       {{"Star Trek: The Next Generation", nullptr,
         "The crew of the Enterprise meets an old friend."},
        {"The Long Road Home", "El Largo Camino", "Two brothers cross the country by train."},
        {"Caf\xE9 Stories", nullptr,
         "Short films from a small caf\xE9 in Montr\xE9"
         "al."},
        {"X-Files", nullptr, "Agents investigate strange lights over a farm."}},
       {{0, 4}, {4, 1}},
       "TV-14-V"},
      {"sports",
       {{"Game Night", nullptr, "Basketball: the home team against the champions."},
        {"Sports Roundup", nullptr, "Scores, highlights and interviews."},
        {"Fishing Today", nullptr, "Trout season opens on the river."}},
       {{0, 2}},
       "TV-G"},
      {"kids",
       {{"Sesame Street", "Plaza S\xE9samo", "Letters, numbers and friends."},
        {"Cartoon Hour", nullptr, "Classic cartoons for the whole family."},
        {"Science Kids", nullptr, "How do rainbows work? Today we find out."}},
       {{5, 1}},
       "TV-Y"},
      {"music",
       {{"Morning Classics", nullptr, "Symphonies and chamber music."},
        {"Jazz Late", nullptr, "Standards and new recordings."}},
       {},
       ""},
      {"test", {{"Test Pattern", nullptr, "Engineering test signal."}}, {}, ""},
      {"general",
       {{"Home Improvement Hour", nullptr, "Fixing a leaking roof before winter."},
        {"Cooking at Home", nullptr, "Three dinners from one pot."},
        {"Travel Diary", nullptr, "A week on the islands."}},
       {{0, 3}, {2, 1}},
       "TV-PG-L"},
  };
  return themes;
}

const Theme& ThemeOf(const std::string& name) {
  for (const Theme& t : Themes())
    if (name == t.name) return t;
  return Themes().back();
}

// Slot layouts in minutes; each sums to 180.
constexpr std::array<std::array<int, 4>, 4> kLayouts = {{
    {30, 30, 60, 60},
    {60, 90, 30, 0},
    {90, 90, 0, 0},
    {30, 60, 30, 60},
}};

LanguageString Split(const std::string& text, const char* language, bool huffman,
                     bool twoSegments) {
  LanguageString s{language, {}};
  const auto space = text.find(' ');
  if (twoSegments && space != std::string::npos) {
    // The first word Huffman-compressed, the rest plain: one title, two segments.
    s.segments.push_back({text.substr(0, space + 1), true});
    s.segments.push_back({text.substr(space + 1), false});
  } else {
    s.segments.push_back({text, huffman});
  }
  return s;
}

}  // namespace

std::int64_t SlotStart(std::int64_t utc) {
  return common::FloorDiv(utc, kSlotSeconds) * kSlotSeconds;
}

std::vector<GuideEvent> EventsInSlot(const ChannelDescription& channel, std::int64_t slotStartUtc) {
  const Theme& theme = ThemeOf(channel.guide);
  const std::int64_t slot = common::FloorDiv(slotStartUtc, kSlotSeconds);
  const auto& layout =
      kLayouts[static_cast<std::size_t>(common::FloorMod(slot + channel.sourceId, 4))];
  std::vector<GuideEvent> events;
  std::int64_t start = slot * kSlotSeconds;
  for (std::size_t i = 0; i < layout.size() && layout[i] != 0; ++i) {
    const std::size_t pick = static_cast<std::size_t>(
        common::FloorMod(slot * 3 + static_cast<std::int64_t>(i) + channel.sourceId,
                         static_cast<std::int64_t>(theme.programmes.size())));
    const Programme& p = theme.programmes[pick];
    GuideEvent e;
    e.startUtc = start;
    e.durationSeconds = static_cast<std::uint32_t>(layout[i] * 60);
    // Event ids run on with the slot: unique for 4096 slots (512 days).
    e.eventId = static_cast<std::uint16_t>((common::FloorMod(slot, 4096) * 4 + i) & 0x3FFF);
    e.titleText = p.english;
    if (!e.titleText.empty()) {
      const bool huffman = e.eventId % 2 == 0;
      e.title.push_back(Split(e.titleText, "eng", huffman, e.eventId % 4 == 1));
      if (p.spanish) e.title.push_back(Split(p.spanish, "spa", huffman, false));
    }
    e.description = p.description;
    e.descriptionHuffman = e.eventId % 3 != 0;
    e.rating = theme.rating;
    e.ratingText = theme.ratingText;
    events.push_back(std::move(e));
    start += layout[i] * 60;
  }
  return events;
}

GuideEvent EventAt(const ChannelDescription& channel, std::int64_t utc) {
  for (const GuideEvent& e : EventsInSlot(channel, SlotStart(utc))) {
    if (utc >= e.startUtc && utc < e.startUtc + e.durationSeconds) return e;
  }
  return {};
}

}  // namespace broadcast
