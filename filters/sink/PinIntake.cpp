#include "filters/sink/PinIntake.h"

#include <algorithm>

#include "filters/sink/PsFormat.h"

namespace filters {
namespace {

constexpr std::int64_t kAudioScrLead = 5'400'000;  // 0.2 s
constexpr std::int64_t kTextScrLag = 21'600'000;   // 0.8 s

bool BeginsWithSequenceHeader(std::span<const std::uint8_t> data) {
  return data.size() >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 1 && data[3] == 0xB3;
}

std::int64_t FramePeriodOf(unsigned frameRateCode) {
  switch (frameRateCode) {
    case 1:
      return 1'126'125;
    case 2:
      return 1'125'000;
    case 3:
      return 1'080'000;
    case 4:
      return 900'900;
    case 5:
      return 900'000;
    case 6:
      return 540'000;
    case 7:
      return 450'450;
    default:
      return kDefaultFramePeriod;
  }
}

// Temporal reference of the first picture start code, or -1.
int FirstTemporalReference(std::span<const std::uint8_t> data) {
  for (std::size_t i = 0; i + 5 < data.size(); ++i) {
    if (data[i + 2] > 1) {
      i += 2;  // no start code can begin before i + 3
      continue;
    }
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0x00) {
      return (data[i + 4] << 2) | (data[i + 5] >> 6);
    }
  }
  return -1;
}

}  // namespace

PinIntake::PinIntake(PinType type) : type_(type), waitingForSequence_(type == PinType::kVideo) {
  list_.reserve(64);
}

void PinIntake::Clear() {
  list_.clear();
  bytes_.clear();
  timedCount_ = 0;
}

void PinIntake::Receive(const InputSample& sample, std::int64_t audioLastDts,
                        const GroupSink& emit) {
  const auto data = sample.data;
  if (data.empty()) return;
  const bool video = type_ == PinType::kVideo;

  int temporalReference = -1;
  if (video && sample.timed) {
    if (BeginsWithSequenceHeader(data) && data.size() >= 8) {
      framePeriod_ = FramePeriodOf(data[7] & 0x0F);
      pictureCounter_ = -1;
    }
    if (data.size() > 7) {
      temporalReference = FirstTemporalReference(data);
      if (temporalReference >= 0) ++pictureCounter_;
    }
  }

  if (sample.discontinuity) {
    stats_.samplesDiscarded += list_.size();
    Clear();
    if (video) waitingForSequence_ = true;
  }
  if (video) {
    if (waitingForSequence_ && !BeginsWithSequenceHeader(data)) {
      ++stats_.samplesDropped;
      return;
    }
    waitingForSequence_ = false;
  }

  Entry entry;
  entry.timed = sample.timed;
  entry.start = sample.start;
  entry.stop = sample.stop;
  entry.framePeriod = framePeriod_;
  if (sample.timed) {
    previousScr_ = lastScr_;
    const std::int64_t t27 = StreamTime27(sample.start);
    switch (type_) {
      case PinType::kVideo: {
        entry.pts = t27;
        if (temporalReference >= 0) {
          entry.dts = t27 - (temporalReference - pictureCounter_ + 1) * framePeriod_;
        } else {
          entry.dts = t27;  // no picture: the PTS alone is carried
        }
        entry.scr = audioLastDts - kAudioScrLead;
        if (entry.scr <= previousScr_) entry.scr = previousScr_ + 1;
        break;
      }
      case PinType::kAudio:
        entry.pts = entry.dts = t27;
        entry.scr = t27 - kAudioScrLead;
        break;
      case PinType::kText:
        entry.pts = t27;
        entry.dts = -1;
        entry.scr = t27 + kTextScrLag;
        break;
    }
    entry.hasDts = type_ == PinType::kVideo && entry.dts != entry.pts;
    lastScr_ = entry.scr;
    lastDts_ = entry.dts;
    lastPts_ = entry.pts;
  }

  // Bounds: the list holds at most 512 samples and a group at most 1,000,000
  // bytes. Reaching either closes the held samples as a group of their own
  // (its later packs carry no timestamps, as any group's do), so nothing is
  // dropped and nothing grows without limit.
  if (!list_.empty() &&
      (list_.size() >= kMaxHeldSamples || bytes_.size() + data.size() > kMaxGroupBytes)) {
    ++stats_.forcedGroups;
    EmitGroup(list_.size(), sample.timed ? entry.scr : list_.front().scr, emit);
  }

  entry.offset = bytes_.size();
  list_.push_back(entry);
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  if (sample.timed) ++timedCount_;

  bool closes = false;
  switch (type_) {
    case PinType::kVideo:
      closes = sample.timed && timedCount_ >= 2;
      break;
    case PinType::kAudio:
      closes = sample.timed && timedCount_ >= 3;
      break;
    case PinType::kText:
      closes = list_.size() >= 2;
      break;
  }
  if (closes) EmitGroup(list_.size() - 1, list_.back().scr, emit);
  byteTotal_ += data.size();
}

void PinIntake::EmitGroup(std::size_t entries, std::int64_t endScr, const GroupSink& emit) {
  const Entry& head = list_.front();
  const std::size_t groupBytes = entries < list_.size() ? list_[entries].offset : bytes_.size();
  SampleGroup group;
  group.pin = type_;
  group.startScr = head.scr;
  group.endScr = endScr;
  group.hasPts = head.timed;
  group.pts = head.pts;
  group.hasDts = head.timed && head.hasDts;
  group.dts = head.dts;
  group.stream = bytes_;
  group.bytes = groupBytes;
  if (groupBytes > 0) emit(group);

  // The samples after the group stay held, moved to the front.
  bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(groupBytes));
  list_.erase(list_.begin(), list_.begin() + static_cast<std::ptrdiff_t>(entries));
  timedCount_ = 0;
  for (auto& e : list_) {
    e.offset -= groupBytes;
    if (e.timed) ++timedCount_;
  }
}

}  // namespace filters
