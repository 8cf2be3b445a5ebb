// The texts of the on-screen display: the channel banner's lines, the
// playback bar and the volume bar.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace app::osd {

// What the banner shows of the current graph and its channel.
struct BannerInput {
  std::string entryText;  // the number being typed, if any
  std::string name;       // the channel's short name
  int major = 0;
  int minor = 0;
  std::uint8_t tuner = 0;  // tuner and player state of the graph
  std::uint8_t player = 0;
  int videoWidth = 0;
  int videoHeight = 0;
  std::tm localTime{};
  int signalQuality = 0;
  std::string title;  // the programme on the air, from the guide
  std::string timeLine;
  std::string description;
};

struct BannerTexts {
  std::string channel;
  std::string title;
  std::string timeLine;
  std::string videoSize;
  std::string date;
  std::string time;
  std::string signal;
  std::string description;
};

BannerTexts MakeBanner(const BannerInput& input);

// The channel line: the typed number, or the channel with "Rec " while it is
// recorded and "File " while a file plays.
std::string ChannelLine(const BannerInput& input);
// "Sun 12/08" and "1:05 P".
std::string DateLine(const std::tm& local);
std::string ClockLine(const std::tm& local);

// Where the player stands, in 100 ns units.
struct PlaybackInput {
  std::uint8_t player = 0;    // 2 the live buffer, 3 a file
  std::uint8_t runState = 0;  // 0 stopped, 1 paused, 2 running
  double rate = 1.0;
  std::int64_t current = 0;
  std::int64_t earliest = 0;
  std::int64_t latest = 0;
};

// The playback bar's text before its first refresh.
inline constexpr char kPlaybackNotSet[] = "not set";
std::string PlaybackLine(const PlaybackInput& input);

// The volume bar's caption.
std::string VolumeLine(bool muted);

// What the glass text control paints: the text, after "(Rec) " when it is
// styled as recording.
std::string GlassText(std::string_view text, bool recording);

}  // namespace app::osd
