// A program's table state in miniature: section store, channel list and one
// graph, with helpers to dispatch sections and add channels.
#pragma once

#include <gtest/gtest.h>

#include "tables/sections/Dispatch.h"
#include "tests/tables/SectionBuilder.h"
#include "tuning/ChannelList.h"

namespace tables::test {

class TablesFixture : public ::testing::Test {
 protected:
  static SectionTag Tag(std::uint8_t physical, std::uint16_t pid, std::uint8_t tuningSpace = 0,
                        std::uint16_t modulation = 0x01) {
    SectionTag tag;
    tag.tuningSpace = tuningSpace;
    tag.physical = physical;
    tag.modulation = modulation;
    tag.pid = pid;
    return tag;
  }

  bool Dispatch(const Bytes& section, const SectionTag& tag) {
    return DispatchSection(ctx_, section, tag);
  }

  tuning::ChannelNode& AddChannel(std::uint8_t physical, std::uint16_t minor, std::uint16_t major,
                                  std::uint16_t sourceId = 0, std::uint16_t programNumber = 0) {
    tuning::ChannelRecord record;
    record.locator = tuning::ChannelLocator::Make(physical, minor, major, 0, 1);
    record.sourceId = sourceId;
    record.programNumber = programNumber;
    record.enabled = 1;
    return channels_.InsertSorted(record);
  }

  SectionStore store_;
  tuning::ChannelList channels_;
  GraphTables graph_;
  TableContext ctx_{store_, channels_, graph_};
};

}  // namespace tables::test
