// What a table handler works on: the program-wide section store and channel
// list, and the state of the graph whose section buffer delivered the section.
#pragma once

#include "tables/guide/GuideRecords.h"
#include "tables/poll/GraphTables.h"
#include "tables/sections/SectionStore.h"
#include "tuning/ChannelList.h"

namespace tables {

struct TableContext {
  SectionStore& sections;
  tuning::ChannelList& channels;
  GraphTables& graph;
};

}  // namespace tables
