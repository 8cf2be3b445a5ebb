// An output sink that keeps copies of what it receives.
#pragma once

#include <vector>

#include "demux/DemuxTypes.h"
#include "tests/demux/TsWriter.h"

namespace demux::test {

struct Received {
  Bytes data;
  Sample sample;  // data span cleared: only valid during delivery
};

class Collector : public OutputSink {
 public:
  void Deliver(const Sample& sample) override {
    Received r{Bytes(sample.data.begin(), sample.data.end()), sample};
    r.sample.data = {};
    items.push_back(std::move(r));
  }

  // The data of every PES unit, joined from its samples.
  std::vector<Bytes> Units() const {
    std::vector<Bytes> units;
    for (const Received& r : items) {
      if ((r.sample.flags & kSampleUnitStart) || units.empty()) units.emplace_back();
      units.back().insert(units.back().end(), r.data.begin(), r.data.end());
    }
    return units;
  }

  std::vector<Received> items;
};

}  // namespace demux::test
