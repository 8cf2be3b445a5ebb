#include "graph/player/GraphEvents.h"

#include <cstdio>
#include <utility>

#include "graph/events/FilterMessages.h"

namespace graph {
namespace {

constexpr LONG kComplete = 1;
constexpr LONG kVideoSizeChanged = 10;
constexpr LONG kRenderDeviceSet = 83;
constexpr LONG kTimeHole = 806;
constexpr LONG kStaleFileDeleted = 808;
constexpr LONG kContentBecomingStale = 809;
constexpr LONG kRateChanged = 813;
// A renderer's frequent notice, not traced by the player graph's handler.
constexpr LONG kUntracedPlayerEvent = 0x8065;

constexpr std::pair<LONG, const char*> kNames[] = {
    {1, "EC_COMPLETE"},
    {2, "EC_USERABORT"},
    {3, "EC_ERRORABORT"},
    {5, "EC_REPAINT"},
    {6, "EC_STREAM_ERROR_STOPPED"},
    {7, "EC_STREAM_ERROR_STILLPLAYING"},
    {8, "EC_ERROR_STILLPLAYING"},
    {9, "EC_PALETTE_CHANGED"},
    {10, "EC_VIDEO_SIZE_CHANGED"},
    {11, "EC_QUALITY_CHANGE"},
    {12, "EC_SHUTTING_DOWN"},
    {13, "EC_CLOCK_CHANGED"},
    {14, "EC_PAUSED"},
    {16, "EC_OPENING_FILE"},
    {17, "EC_BUFFERING_DATA"},
    {18, "EC_FULLSCREEN_LOST"},
    {19, "EC_ACTIVATE"},
    {20, "EC_NEED_RESTART"},
    {21, "EC_WINDOW_DESTROYED"},
    {22, "EC_DISPLAY_CHANGED"},
    {23, "EC_STARVATION"},
    {24, "EC_OLE_EVENT"},
    {25, "EC_NOTIFY_WINDOW"},
    {26, "EC_STREAM_CONTROL_STOPPED"},
    {27, "EC_STREAM_CONTROL_STARTED"},
    {28, "EC_END_OF_SEGMENT"},
    {29, "EC_SEGMENT_STARTED"},
    {30, "EC_LENGTH_CHANGED"},
    {36, "EC_STEP_COMPLETE"},
    {48, "EC_TIMECODE_AVAILABLE"},
    {49, "EC_EXTDEVICE_MODE_CHANGE"},
    {50, "EC_STATE_CHANGE"},
    {80, "EC_GRAPH_CHANGED"},
    {81, "EC_CLOCK_UNSET"},
    {83, "EC_VMR_RENDERDEVICE_SET"},
    {84, "EC_VMR_SURFACE_FLIPPED"},
    {85, "EC_VMR_RECONNECTION_FAILED"},
    {87, "EC_CODECAPI_EVENT"},
    {512, "EC_SNDDEV_IN_ERROR"},
    {513, "EC_SNDDEV_OUT_ERROR"},
    {593, "EC_WMT_INDEX_EVENT"},
    {594, "EC_WMT_EVENT"},
    {768, "EC_BUILT"},
    {769, "EC_UNBUILT"},
    {806, "STREAMBUFFER_EC_TIMEHOLE"},
    {807, "STREAMBUFFER_EC_STALE_DATA_READ"},
    {808, "STREAMBUFFER_EC_STALE_FILE_DELETED"},
    {809, "STREAMBUFFER_EC_CONTENT_BECOMING_STALE"},
    {810, "STREAMBUFFER_EC_WRITE_FAILURE"},
    {811, "STREAMBUFFER_EC_WRITE_FAILURE_CLEAR"},
    {812, "STREAMBUFFER_EC_READ_FAILURE"},
    {813, "STREAMBUFFER_EC_RATE_CHANGED"},
    {814, "STREAMBUFFER_EC_PRIMARY_AUDIO"},
    {815, "STREAMBUFFER_EC_RATE_CHANGING_FOR_SETPOSITIONS"},
    {816, "STREAMBUFFER_EC_SETPOSITIONS_EVENTS_DONE"},
    {0x8000, "EC_PROGRAM_CHANGED"},
};

struct Event {
  LONG code = 0;
  LONG_PTR first = 0;
  LONG_PTR second = 0;
};

// Takes events until the queue is empty; each is freed after `act`.
template <class Act>
void Drain(IMediaEventEx* events, Act act) {
  if (events == nullptr) return;
  Event e;
  while (SUCCEEDED(events->GetEvent(&e.code, &e.first, &e.second, 0))) {
    act(e);
    events->FreeEventParams(e.code, e.first, e.second);
  }
}

std::string TraceLine(const char* graphName, const Event& e) {
  char line[160];
  std::snprintf(line, sizeof line, "%s graph event code: %s\n Params: %d, %d\n", graphName,
                EventName(e.code).c_str(), static_cast<int>(e.first), static_cast<int>(e.second));
  return line;
}

const char* StateName(OAFilterState state) {
  switch (state) {
    case State_Paused:
      return "State_Paused";
    case State_Running:
      return "State_Running";
    default:
      return "State_Stopped";
  }
}

// "ec_complete status ...": the player's state and rate when the tuner graph
// ends its stream.
std::string PlayerStatusLine(PlayerGraph& player) {
  OAFilterState state = State_Stopped;
  bool transitioning = false;
  ComPtr<IMediaControl> control;
  if (const ComPtr<IGraphBuilder> graph = player.Graph()) graph.As(&control);
  if (control) transitioning = control->GetState(0, &state) == VFW_S_STATE_INTERMEDIATE;
  char line[128];
  std::snprintf(line, sizeof line, "ec_complete status %s %f transitioning = %s", StateName(state),
                player.Rate(), transitioning ? "true" : "false");
  return line;
}

}  // namespace

std::string EventName(LONG code) {
  for (const auto& [number, name] : kNames) {
    if (number == code) return name;
  }
  char text[32];
  std::snprintf(text, sizeof text, code < 0x8000 ? "Unknown event 0x%X" : "EC_USER 0x%X",
                static_cast<unsigned>(code));
  return text;
}

void HandlePlayerGraphEvents(IMediaEventEx* events, PlayerGraph& player,
                             IGraphEventActions& actions) {
  Drain(events, [&](const Event& e) {
    if (e.code != kUntracedPlayerEvent) actions.Trace(TraceLine("source", e));
    RaiseFilterFailure(e.code, e.first, e.second);
    switch (e.code) {
      case kComplete:
        // Only a file ends; the live buffer's player goes on.
        if (player.Kind() != PlayerState::kPlayerFile) break;
        player.EndOfFile();
        actions.RefreshControls();
        break;
      case kVideoSizeChanged:
      case kRenderDeviceSet:
        actions.LayOutVideo();
        break;
      case kStaleFileDeleted:
      case kContentBecomingStale:
        // What was paused on is leaving the buffer: play on from live.
        if (player.RunState() == PlayerRunState::kPaused) {
          player.Run();
          player.JumpToLive();
        }
        actions.RefreshControls();
        break;
      case kTimeHole:
        actions.RefreshControls();
        break;
      default:
        break;
    }
  });
}

void HandleTunerGraphEvents(IMediaEventEx* events, PlayerGraph& player,
                            IGraphEventActions& actions) {
  Drain(events, [&](const Event& e) {
    actions.Trace(TraceLine("sink", e));
    RaiseFilterFailure(e.code, e.first, e.second);  // the dump's full disk
    switch (e.code) {
      case kComplete:
        actions.Trace(PlayerStatusLine(player));
        actions.RefreshControls();
        break;
      case kRateChanged:
        actions.RefreshControls();
        break;
      case kVideoSizeChanged:
      case kRenderDeviceSet:
        actions.LayOutVideo();
        break;
      default:
        break;
    }
  });
}

}  // namespace graph
