// A channel as the user types it outside the window (the command-line tool
// and the requests it hands to a running copy): the number Enter tunes in
// the window, or a physical channel of the scan band.
#pragma once

#include <optional>
#include <string>

#include "tuning/BandPlan.h"
#include "tuning/ChannelList.h"
#include "tuning/ChannelLocator.h"

namespace tuning {

// A decimal number of at most nine digits.
std::optional<int> ParseDecimal(const std::string& text);

// What Enter tunes after typing `text` in the program ("7", "5.5", "31.5.2");
// failing that "P" is physical channel P of the scan band and "P.N"
// programme N on it, tuned as a channel the list does not hold. Nothing when
// the text is neither or the channel lies outside the band.
std::optional<ChannelLocator> ResolveChannelText(const std::string& text, ChannelList& channels,
                                                 ChannelMap map, ModulationMask mode);

}  // namespace tuning
