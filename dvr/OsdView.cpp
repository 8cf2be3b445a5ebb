#include "dvr/OsdView.h"

#include <ctime>

#include "app/osd/OsdLayout.h"
#include "app/osd/OsdTexts.h"
#include "common/Utf16.h"

namespace dvr {
namespace {

template <std::size_t N>
std::string Field(const char16_t (&field)[N]) {
  return common::ToUtf8(common::FieldView({field, N}));
}

app::osd::BannerInput BannerOf(const app::commands::CommandRouter& router,
                               graph::CBDAFilterGraph& g, graph::PlayerGraph* player) {
  app::osd::BannerInput in;
  in.entryText = router.Entry().Text();
  const tuning::ChannelLocator c = g.CurrentChannel();
  in.major = c.major();
  in.minor = c.minor();
  in.tuner = static_cast<std::uint8_t>(g.Tuner());
  in.player = static_cast<std::uint8_t>(g.Player());
  const tables::NowPlayingInfo& now = g.Tables().nowPlaying;
  in.name = Field(now.shortName);
  in.title = Field(now.title);
  in.timeLine = Field(now.timeLine);
  in.description = Field(now.description);
  in.signalQuality = g.SignalQuality();
  if (player != nullptr) {
    const graph::VideoRendererSlot video = player->Video();
    in.videoWidth = static_cast<int>(video.nativeWidth);
    in.videoHeight = static_cast<int>(video.nativeHeight);
  }
  const std::time_t now_t = std::time(nullptr);
  localtime_r(&now_t, &in.localTime);
  return in;
}

}  // namespace

void OsdView::Refresh(const app::commands::CommandRouter& router, IGraphSource& graphs,
                      const app::Settings& settings, const ui::Rect& video, int clientWidth) {
  const app::osd::OsdState& state = router.Osd();
  graph::CBDAFilterGraph* g = graphs.CurrentGraph();
  std::vector<ui::OverlayPanel> panels;
  if (video.Height() <= 0) {
    overlay_.Show({});
    return;
  }
  const app::osd::OsdLayout layout = app::osd::LayOut(video, clientWidth);
  graph::PlayerGraph* player = graphs.CurrentPlayer();
  if (state.BannerShown() && g != nullptr) {
    const app::osd::BannerTexts t = app::osd::MakeBanner(BannerOf(router, *g, player));
    ui::OverlayPanel banner{layout.banner,
                            {t.channel, t.title, t.timeLine},
                            {t.time, t.date, player ? t.videoSize + "  " + t.signal : t.signal},
                            layout.fontPixels};
    panels.push_back(banner);
    if (state.description) {
      panels.push_back({layout.description, {t.description}, {}, layout.fontPixels * 4 / 5, true});
    }
  }
  if (state.PlaybackShown() && player != nullptr) {
    graph::PlayerPosition position;
    player->GetPosition(&position);
    const app::osd::PlaybackInput in{static_cast<std::uint8_t>(player->Kind()),
                                     static_cast<std::uint8_t>(player->RunState()),
                                     player->Rate(),
                                     position.current,
                                     position.earliest,
                                     position.latest};
    const bool recording = g != nullptr && g->Tuner() == graph::TunerState::kTunerRecording;
    panels.push_back({layout.playback,
                      {app::osd::GlassText(app::osd::PlaybackLine(in), recording)},
                      {},
                      layout.fontPixels * 4 / 5});
  }
  if (state.VolumeShown()) {
    panels.push_back({layout.volume,
                      {app::osd::VolumeLine(settings.muted != 0)},
                      {},
                      layout.fontPixels * 4 / 5,
                      false,
                      settings.volume,
                      20});
  }
  overlay_.Show(std::move(panels));
}

}  // namespace dvr
