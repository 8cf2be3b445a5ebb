// Graph steps that only log: each call appends its short name to `log`, and a
// step named in `failing` returns E_FAIL.
#pragma once

#include <set>
#include <string>

#include "graph/manager/GraphSteps.h"

namespace graph::test {

class FakeGraphSteps : public IGraphSteps {
 public:
  std::string log;
  std::set<std::string> failing;

  HRESULT BuildTunerGraph(TunerState mode) override {
    return Step(mode == TunerState::kTunerLive ? "BuildTuner16" : "BuildTuner32");
  }
  HRESULT RunTunerGraph() override { return Step("RunTuner"); }
  HRESULT StopTunerGraph() override { return Step("StopTuner"); }
  void TearDownTunerGraph() override { Step("TearDownTuner"); }
  HRESULT BuildPlayer(PlayerState kind) override {
    return Step("BuildPlayer" + std::to_string(static_cast<int>(kind)));
  }
  HRESULT RunPlayer() override { return Step("RunPlayer"); }
  HRESULT StopPlayer() override { return Step("StopPlayer"); }
  HRESULT TearDownPlayer() override { return Step("TearDownPlayer"); }
  HRESULT StartRecording() override { return Step("StartRecording"); }
  HRESULT StopRecording() override { return Step("StopRecording"); }

 private:
  HRESULT Step(const std::string& name) {
    log += log.empty() ? name : " " + name;
    return failing.count(name) ? E_FAIL : S_OK;
  }
};

}  // namespace graph::test
