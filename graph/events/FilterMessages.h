// The user's messages for filter failures that reach the program as graph
// events. A filter running on a streaming thread posts an event; the handler
// of the graph's events raises the message box on the user-interface thread.
#pragma once

#include <optional>
#include <string_view>

#include "platform/media/Interfaces.h"

namespace graph {

inline constexpr char kDumpDiskFullCaption[] = "Dump Filter failure";
inline constexpr char kDumpDiskFullText[] =
    "The disk containing dump file has run out of space, so the dump filter has been "
    "stopped.\r\n\r\nYou must set a new dump file name or restart the graph to clear this "
    "filter error.";

inline constexpr char kDamagedListCaption[] = "MPEG-2 Source failure";
inline constexpr char kDamagedListText[] =
    "The list file of the video being played is damaged, so playback has stopped after the "
    "last part it still named.\r\n\r\nOpen the video again or restart the graph to go on.";

struct UserMessage {
  std::string_view caption;
  std::string_view text;
};

// The message of a filter-failure event; nothing for other events.
std::optional<UserMessage> FilterFailureMessage(LONG code, LONG_PTR param1, LONG_PTR param2);

// Raises the warning box of a filter-failure event; false for other events.
bool RaiseFilterFailure(LONG code, LONG_PTR param1, LONG_PTR param2);

// For headless runs, where nothing else reads the graph's events: takes every
// pending event and raises the boxes of the filter failures among them.
void RaiseFilterFailures(IMediaEvent& events);

}  // namespace graph
