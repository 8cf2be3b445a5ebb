#include "graph/manager/GraphStateMachine.h"

namespace graph {

namespace {

constexpr int kNothing = 0;
constexpr int kFile = Combined(TunerState::kNone, PlayerState::kPlayerFile);
constexpr int kLive = Combined(TunerState::kTunerLive, PlayerState::kNone);
constexpr int kLiveViewing = Combined(TunerState::kTunerLive, PlayerState::kPlayerLive);
constexpr int kBuffered = Combined(TunerState::kTunerBuffered, PlayerState::kNone);
constexpr int kTimeShift = Combined(TunerState::kTunerBuffered, PlayerState::kPlayerTimeShift);
constexpr int kBufferedFile = Combined(TunerState::kTunerBuffered, PlayerState::kPlayerFile);
constexpr int kRecording = Combined(TunerState::kTunerRecording, PlayerState::kNone);
constexpr int kRecordingTimeShift =
    Combined(TunerState::kTunerRecording, PlayerState::kPlayerTimeShift);
constexpr int kRecordingFile = Combined(TunerState::kTunerRecording, PlayerState::kPlayerFile);

// Targets that name a player state over a live tuner graph; rows that list
// them leave the tuner graph as it is.
constexpr int kTimeShiftOnly = 2;
constexpr int kLiveTimeShift = 18;
constexpr int kLiveFile = 19;

// The answer for a target that has no row for the current state.
constexpr HRESULT kNoRow = VFW_E_WRONG_STATE;

}  // namespace

HRESULT GraphStateMachine::RequestGraphState(std::uint8_t tunerState, std::uint8_t playerState) {
  return Transition(Current(), tunerState + playerState);
}

HRESULT GraphStateMachine::EndRecording() {
  if (tuner_ != TunerState::kTunerRecording) return kNoRow;
  return StopRecording();
}

HRESULT GraphStateMachine::BuildTuner(TunerState mode) {
  const HRESULT hr = steps_.BuildTunerGraph(mode);
  tuner_ = SUCCEEDED(hr) ? mode : TunerState::kNone;
  return hr;
}

void GraphStateMachine::TearDownTuner() {
  steps_.TearDownTunerGraph();
  tuner_ = TunerState::kNone;
}

HRESULT GraphStateMachine::BuildPlayer(PlayerState kind) {
  const HRESULT hr = steps_.BuildPlayer(kind);
  player_ = SUCCEEDED(hr) ? kind : PlayerState::kNone;
  return hr;
}

HRESULT GraphStateMachine::TearDownPlayer() {
  const HRESULT hr = steps_.TearDownPlayer();
  player_ = PlayerState::kNone;
  return hr;
}

HRESULT GraphStateMachine::StartRecording() {
  const HRESULT hr = steps_.StartRecording();
  if (SUCCEEDED(hr)) tuner_ = TunerState::kTunerRecording;
  return hr;
}

HRESULT GraphStateMachine::StopRecording() {
  const HRESULT hr = steps_.StopRecording();
  if (SUCCEEDED(hr)) tuner_ = TunerState::kTunerBuffered;
  return hr;
}

// Build and run a tuner graph without a player; a run that fails takes the
// graph down again.
HRESULT GraphStateMachine::BuildAndRun(TunerState mode) {
  HRESULT hr = BuildTuner(mode);
  if (FAILED(hr)) return hr;
  hr = RunTuner();
  if (FAILED(hr)) TearDownTuner();
  return hr;
}

// A tuner graph with its player, then the tuner graph run; each failure
// undoes what was built before it.
HRESULT GraphStateMachine::BuildTunerWithPlayer(TunerState mode, PlayerState kind) {
  HRESULT hr = BuildTuner(mode);
  if (FAILED(hr)) return hr;
  hr = BuildPlayer(kind);
  if (FAILED(hr)) {
    TearDownTuner();
    return hr;
  }
  hr = RunTuner();
  if (FAILED(hr)) {
    TearDownPlayer();
    TearDownTuner();
  }
  return hr;
}

// 0 -> 34: the buffered tuner graph and the time-shift player; a player that
// will not run takes everything down again.
HRESULT GraphStateMachine::FromNothingToTimeShift() {
  HRESULT hr = BuildTunerWithPlayer(TunerState::kTunerBuffered, PlayerState::kPlayerTimeShift);
  if (FAILED(hr)) return hr;
  hr = RunPlayer();
  if (FAILED(hr)) {
    StopTuner();
    TearDownPlayer();
    TearDownTuner();
  }
  return hr;
}

// 0 -> 48: a recording that cannot start takes the tuner graph down again
// rather than leaving a "recording" state with no file.
HRESULT GraphStateMachine::FromNothingToRecording() {
  HRESULT hr = BuildAndRun(TunerState::kTunerBuffered);
  if (FAILED(hr)) return hr;
  hr = StartRecording();
  if (FAILED(hr)) StopAndTearDownTuner();
  return hr;
}

// The player is replaced by a file player; the tuner graph stays.
HRESULT GraphStateMachine::ReplacePlayerWithFile() {
  HRESULT hr = StopPlayer();
  if (FAILED(hr)) return hr;
  hr = TearDownPlayer();
  if (FAILED(hr)) return hr;
  hr = BuildPlayer(PlayerState::kPlayerFile);
  if (FAILED(hr)) return hr;
  hr = RunPlayer();
  if (FAILED(hr)) TearDownPlayer();
  return hr;
}

// Opening a file from a graph that records nothing: the tuner graph is
// stopped and removed before the file player is built.
HRESULT GraphStateMachine::FileInsteadOfTuner() {
  HRESULT hr = StopPlayer();
  if (FAILED(hr)) return hr;
  hr = TearDownPlayer();
  if (FAILED(hr)) return hr;
  StopAndTearDownTuner();
  hr = BuildPlayer(PlayerState::kPlayerFile);
  if (FAILED(hr)) return hr;
  hr = RunPlayer();
  if (FAILED(hr)) TearDownPlayer();
  return hr;
}

// A new player of `kind` whatever the old one did.
HRESULT GraphStateMachine::ReloadPlayer(PlayerState kind) {
  DropPlayer();
  return AddPlayer(kind);
}

// A player over a running tuner graph; a run that fails removes it again.
HRESULT GraphStateMachine::AddPlayer(PlayerState kind) {
  HRESULT hr = BuildPlayer(kind);
  if (FAILED(hr)) return hr;
  hr = RunPlayer();
  if (FAILED(hr)) TearDownPlayer();
  return hr;
}

void GraphStateMachine::DropPlayer() {
  StopPlayer();
  TearDownPlayer();
}

void GraphStateMachine::StopAndTearDownTuner() {
  StopTuner();
  TearDownTuner();
}

void GraphStateMachine::StopEverything() {
  DropPlayer();
  StopAndTearDownTuner();
}

HRESULT GraphStateMachine::Transition(int current, int target) {
  HRESULT hr = S_OK;
  switch (current) {
    case kNothing:
      switch (target) {
        case kNothing:
          return S_FALSE;
        case kFile:
          hr = BuildPlayer(PlayerState::kPlayerFile);
          return FAILED(hr) ? hr : RunPlayer();
        case kLive:
          hr = BuildTuner(TunerState::kTunerLive);
          return FAILED(hr) ? hr : RunTuner();
        case kLiveViewing:
          return BuildTunerWithPlayer(TunerState::kTunerLive, PlayerState::kPlayerLive);
        case kBuffered:
          return BuildAndRun(TunerState::kTunerBuffered);
        case kTimeShift:
          return FromNothingToTimeShift();
        case kRecording:
          return FromNothingToRecording();
      }
      return kNoRow;

    case kFile:
      switch (target) {
        case kNothing:
          hr = StopPlayer();
          return FAILED(hr) ? hr : TearDownPlayer();
        case kFile:
          return ReplacePlayerWithFile();
        case kTimeShift:
          DropPlayer();
          return FromNothingToTimeShift();
        case kRecordingFile:
          hr = BuildTuner(TunerState::kTunerBuffered);
          if (FAILED(hr)) return hr;
          hr = RunTuner();
          if (SUCCEEDED(hr)) hr = StartRecording();
          if (FAILED(hr)) StopAndTearDownTuner();
          return hr;
      }
      return kNoRow;

    case kLive:
      switch (target) {
        case kNothing:
          StopAndTearDownTuner();
          return S_OK;
        case kFile:
          return FileInsteadOfTuner();
        case kLive:
          return S_FALSE;
        case kTimeShift:
          StopAndTearDownTuner();
          return FromNothingToTimeShift();
        case kRecording:
          StopAndTearDownTuner();
          return FromNothingToRecording();
      }
      return kNoRow;

    case kLiveViewing:
      switch (target) {
        case kNothing:
          StopTuner();
          hr = TearDownPlayer();
          if (FAILED(hr)) return hr;
          TearDownTuner();
          return S_OK;
        case kLiveViewing:
          return S_FALSE;
      }
      return kNoRow;

    case kBuffered:
      switch (target) {
        case kNothing:
          StopAndTearDownTuner();
          return S_OK;
        case kFile:
          return FileInsteadOfTuner();
        case kTimeShift:
          return AddPlayer(PlayerState::kPlayerTimeShift);
      }
      return kNoRow;

    case kTimeShift:
      switch (target) {
        case kNothing:
          StopEverything();
          return S_OK;
        case kTimeShiftOnly:
        case kLive:
        case kLiveViewing:
        case kLiveTimeShift:
        case kLiveFile:
          return S_OK;
        case kFile:
          return FileInsteadOfTuner();
        case kBuffered:
          DropPlayer();
          return S_OK;
        case kTimeShift:
          return S_FALSE;
        case kBufferedFile:
          return ReplacePlayerWithFile();
        case kRecordingTimeShift:
          return StartRecording();
      }
      return kNoRow;

    case kBufferedFile:
      switch (target) {
        case kNothing:
          StopEverything();
          return S_OK;
        case kFile:
          return FileInsteadOfTuner();
        case kLive:
        case kLiveViewing:
          return S_OK;
        case kLiveTimeShift:
        case kTimeShift:
          return ReloadPlayer(PlayerState::kPlayerTimeShift);
        case kLiveFile:
          return ReloadPlayer(PlayerState::kPlayerFile);
        case kBuffered:
          DropPlayer();
          return S_OK;
        case kBufferedFile:
          return ReplacePlayerWithFile();
        case kRecordingFile:
          return StartRecording();
      }
      return kNoRow;

    case kRecording:
      switch (target) {
        case kNothing:
          StopRecording();
          StopAndTearDownTuner();
          return S_OK;
        case kBuffered:
          return StopRecording();
        case kRecordingTimeShift:
          return AddPlayer(PlayerState::kPlayerTimeShift);
        case kRecordingFile:
          return AddPlayer(PlayerState::kPlayerFile);
      }
      return kNoRow;

    case kRecordingTimeShift:
      switch (target) {
        case kNothing:
          DropPlayer();
          StopRecording();
          StopAndTearDownTuner();
          return S_OK;
        case kTimeShift:
          return StopRecording();
        case kRecording:
          DropPlayer();
          return S_OK;
        case kRecordingFile:
          return ReplacePlayerWithFile();
      }
      return kNoRow;

    case kRecordingFile:
      switch (target) {
        case kNothing:
          DropPlayer();
          StopRecording();
          StopAndTearDownTuner();
          return S_OK;
        case kFile:
          StopRecording();
          StopAndTearDownTuner();
          return S_OK;
        case kLive:
        case kLiveViewing:
          return S_OK;
        case kLiveTimeShift:
        case kRecordingTimeShift:
          return ReloadPlayer(PlayerState::kPlayerTimeShift);
        case kLiveFile:
          return ReloadPlayer(PlayerState::kPlayerFile);
        case kBuffered:
        case kTimeShift:
        case kBufferedFile:
          // The recording stops first, so the buffered state reported is true.
          hr = StopRecording();
          if (FAILED(hr)) return hr;
          if (target == kBuffered) {
            DropPlayer();
            return S_OK;
          }
          return ReloadPlayer(target == kTimeShift ? PlayerState::kPlayerTimeShift
                                                   : PlayerState::kPlayerFile);
        case kRecording:
          DropPlayer();
          return S_OK;
        case kRecordingFile:
          return ReplacePlayerWithFile();
      }
      return kNoRow;
  }
  return kNoRow;
}

}  // namespace graph
