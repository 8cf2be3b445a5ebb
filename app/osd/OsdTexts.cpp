#include "app/osd/OsdTexts.h"

#include <cstdio>
#include <cstdlib>

namespace app::osd {
namespace {

constexpr std::uint8_t kTunerRecording = 48;
constexpr std::uint8_t kPlayerTimeShift = 2;
constexpr std::uint8_t kPlayerFile = 3;
constexpr std::int64_t kUnitsPerSecond = 10'000'000;

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[512];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

std::string Clock(std::int64_t units) {
  const std::int64_t seconds = units > 0 ? units / kUnitsPerSecond : 0;
  return Format("%0d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

}  // namespace

std::string ChannelLine(const BannerInput& in) {
  if (!in.entryText.empty()) return in.entryText;
  const bool twoPart = in.minor != 0;
  if (in.tuner == kTunerRecording && in.player == kPlayerTimeShift) {
    return twoPart ? Format("Rec %s %d.%d", in.name.c_str(), in.major, in.minor)
                   : Format("Rec %s %d", in.name.c_str(), in.major);
  }
  if (in.player == kPlayerFile) {
    return twoPart ? Format("File %d.%d", in.major, in.minor) : Format("File %d", in.major);
  }
  return twoPart ? Format("%s %d.%d", in.name.c_str(), in.major, in.minor)
                 : Format("%s %d", in.name.c_str(), in.major);
}

std::string DateLine(const std::tm& local) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  return Format("%s %02d/%02d", kDays[local.tm_wday % 7], local.tm_mon + 1, local.tm_mday);
}

std::string ClockLine(const std::tm& local) {
  const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  return Format("%d:%02d %s", hour12, local.tm_min, local.tm_hour < 12 ? "A" : "P");
}

BannerTexts MakeBanner(const BannerInput& in) {
  BannerTexts t;
  t.channel = ChannelLine(in);
  t.title = in.title;
  t.timeLine = in.timeLine;
  t.videoSize = Format("%d\u00d7%d", in.videoWidth, in.videoHeight);
  t.date = DateLine(in.localTime);
  t.time = ClockLine(in.localTime);
  t.signal = Format("%d %%", in.signalQuality);
  t.description = in.description.substr(0, 1023);
  return t;
}

std::string PlaybackLine(const PlaybackInput& in) {
  std::string time;
  if (in.player == kPlayerTimeShift) {
    time = " " + Clock(in.current - in.earliest);
  } else if (in.player == kPlayerFile) {
    time = Clock(in.current - in.earliest) + " / " + Clock(in.latest - in.earliest);
  }
  switch (in.runState) {
    case 1:
      return "Pause " + time;
    case 2:
      if (in.rate == 1.0) return "Play " + time;
      if (in.rate < 0) return Format("RW %.0fX %s", -in.rate, time.c_str());
      return Format("FF %.0fX %s", in.rate, time.c_str());
    default:
      return "Stop " + time;
  }
}

std::string VolumeLine(bool muted) {
  return muted ? "Muting" : "Volume";
}

std::string GlassText(std::string_view text, bool recording) {
  std::string shown = recording ? "(Rec) " : "";
  shown += text;
  return shown;
}

}  // namespace app::osd
