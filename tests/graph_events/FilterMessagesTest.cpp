// The boxes raised for filter failures that arrive as graph events.
#include <gtest/gtest.h>

#include "common/ErrorBox.h"
#include "filters/dump/Dump.h"
#include "graph/events/FilterMessages.h"
#include "platform/media/FilterGraph.h"

namespace graph {
namespace {

TEST(FilterMessages, TheDumpsFullDiskRaisesItsBoxWithItsOwnCaption) {
  common::ErrorCapture boxes;
  ComPtr<CFilterGraph> filterGraph(new CFilterGraph);
  ASSERT_EQ(filterGraph->Notify(EC_DUMP_DISK_FULL, HRESULT_FROM_WIN32(ERROR_DISK_FULL), 0), S_OK);
  RaiseFilterFailures(*filterGraph.Get());
  EXPECT_EQ(boxes.Captions(), std::vector<std::string>{"Dump Filter failure"});
  EXPECT_EQ(boxes.Messages(),
            std::vector<std::string>{
                "The disk containing dump file has run out of space, so the dump filter has "
                "been stopped.\r\n\r\nYou must set a new dump file name or restart the graph to "
                "clear this filter error."});
}

TEST(FilterMessages, OtherEventsRaiseNothing) {
  common::ErrorCapture boxes;
  EXPECT_FALSE(RaiseFilterFailure(EC_COMPLETE, S_OK, 0));
  EXPECT_FALSE(RaiseFilterFailure(EC_USER, 0, 0));
  EXPECT_FALSE(RaiseFilterFailure(EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_DISK_FULL), 0));
  EXPECT_TRUE(boxes.Messages().empty());
}

}  // namespace
}  // namespace graph
