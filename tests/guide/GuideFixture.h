// A channel list with guide events for the guide grid's tests; times are
// UTC seconds, stored in the guide as GPS seconds like the tables do.
#pragma once

#include <gtest/gtest.h>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "tests/support/TimeZone.h"
#include "tuning/ChannelList.h"

namespace guidetest {

class GuideFixture : public ::testing::Test {
 protected:
  tuning::ChannelNode& AddChannel(std::uint8_t physical, std::u16string_view name = u"TEST") {
    tuning::ChannelRecord record;
    record.locator = tuning::ChannelLocator::Make(physical, 1, physical, 3, 1);
    common::SetField(record.name, name);
    record.enabled = 1;
    return channels_.InsertSorted(record);
  }

  static void AddEvent(tuning::ChannelNode& channel, std::int64_t startUtc, std::uint32_t duration,
                       std::u16string_view title = u"Show") {
    tuning::GuideEvent event;
    event.start = static_cast<std::uint32_t>(startUtc - common::kGpsToUnixSeconds);
    event.duration = duration;
    event.eventId = static_cast<std::uint16_t>(channel.events.size() + 1);
    common::SetField(event.title, title);
    channel.events.Insert(tuning::GuideEventKey(event.start), event);
  }

  // Programmes of `minutes` back to back over [from, to).
  static void Fill(tuning::ChannelNode& channel, std::int64_t from, std::int64_t to, int minutes) {
    for (std::int64_t t = from; t < to; t += minutes * 60)
      AddEvent(channel, t, static_cast<std::uint32_t>(minutes * 60));
  }

  testsupport::ScopedTimeZone zone_{"EST5EDT,M3.2.0,M11.1.0"};
  tuning::ChannelList channels_;
  const std::int64_t six_ = testsupport::UtcSeconds(2026, 6, 10, 18, 0);  // a half hour
};

}  // namespace guidetest
