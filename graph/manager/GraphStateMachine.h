// The state machine of one graph manager: every caller asks for a target pair
// (tuner state, player state) and the machine runs the steps that lead there
// from the current pair, in a fixed order with a fixed rule per step for what
// a failure means. A target that has no row for the current state fails
// without doing anything.
//
// No row reports success for a state it did not reach:
// - a recording that cannot start fails the request (from 0 and 16 the tuner
//   graph is taken down again, from 34 viewing goes on without a recording);
// - 0 -> 32, 48 -> 50, 50 -> 34 and the rows that replace a player fail when
//   their build, run or recording stop fails;
// - 51 -> 32, 34 and 35 stop the recording before they report a buffered
//   tuner state.
// Every state a user can reach can be left: 48 -> 32 stops a recording,
// 48 -> 51 opens a file while recording, 16 and 32 -> 3 open a file as 34 -> 3
// does, 50 -> 0 ends everything as 51 -> 0 does, and 48 -> 0 goes on when the
// recording stop fails.
#pragma once

#include <atomic>
#include <cstdint>

#include "graph/manager/GraphState.h"
#include "graph/manager/GraphSteps.h"
#include "platform/com/HResult.h"

namespace graph {

class GraphStateMachine {
 public:
  explicit GraphStateMachine(IGraphSteps& steps) : steps_(steps) {}

  // Moves to tunerState + playerState. Returns a failure code, S_OK when the
  // row ran to its end, or S_FALSE when the graph was there already.
  HRESULT RequestGraphState(std::uint8_t tunerState, std::uint8_t playerState);

  // Stops a running recording and nothing else: 48 -> 32, 50 -> 34 and
  // 51 -> 35, the player left as it is (a file being played goes on where it
  // is). Fails without a recording.
  HRESULT EndRecording();

  TunerState Tuner() const { return tuner_; }
  PlayerState Player() const { return player_; }
  int Current() const { return Combined(tuner_, player_); }

 private:
  HRESULT Transition(int current, int target);

  // The single steps, each setting the state bytes it changes.
  HRESULT BuildTuner(TunerState mode);
  HRESULT RunTuner() { return steps_.RunTunerGraph(); }
  HRESULT StopTuner() { return steps_.StopTunerGraph(); }
  void TearDownTuner();
  HRESULT BuildPlayer(PlayerState kind);
  HRESULT RunPlayer() { return steps_.RunPlayer(); }
  HRESULT StopPlayer() { return steps_.StopPlayer(); }
  HRESULT TearDownPlayer();
  HRESULT StartRecording();
  HRESULT StopRecording();

  // Sequences that several rows share.
  HRESULT BuildAndRun(TunerState mode);
  HRESULT BuildTunerWithPlayer(TunerState mode, PlayerState kind);
  HRESULT FromNothingToTimeShift();
  HRESULT FromNothingToRecording();
  HRESULT ReplacePlayerWithFile();
  HRESULT FileInsteadOfTuner();
  HRESULT ReloadPlayer(PlayerState kind);
  HRESULT AddPlayer(PlayerState kind);
  void DropPlayer();
  void StopAndTearDownTuner();
  void StopEverything();

  IGraphSteps& steps_;
  // Written by the graph's thread under the graph lock; read from any thread
  // (the window's status, the commands), so each byte is atomic.
  std::atomic<TunerState> tuner_ = TunerState::kNone;
  std::atomic<PlayerState> player_ = PlayerState::kNone;
};

}  // namespace graph
