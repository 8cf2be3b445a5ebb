#include "tools/broadcast/Listing.h"

#include "tools/broadcast/GuideContent.h"

namespace broadcast {
namespace {

const char* TablesName(TableSet tables) {
  switch (tables) {
    case TableSet::kTvct:
      return "TVCT";
    case TableSet::kCvct:
      return "CVCT";
    case TableSet::kPsiOnly:
      return "PAT/PMT only";
    case TableSet::kDvb:
      return "DVB SI";
  }
  return "";
}

}  // namespace

std::vector<std::string> ListBroadcast(const BroadcastDescription& description, std::int64_t utc) {
  std::vector<std::string> lines;
  for (const MultiplexDescription& m : description.multiplexes) {
    std::string line = std::string(tuning::ChannelMapName(m.channelMap)) + " " +
                       std::to_string(m.physical) + " " + tuning::ModulationName(m.modulation);
    if (const auto tune = tuning::ResolveFrequency(m.channelMap, m.physical))
      line += " " + std::to_string(std::uint64_t{tune->frequency} * tune->multiplier) + " Hz";
    if (!m.synthetic) {
      lines.push_back(line + " capture " + m.capturePath);
      continue;
    }
    lines.push_back(line + " synthetic " + m.name + " (" + TablesName(m.tables) + ")");
    for (const ChannelDescription& c : m.channels) {
      std::string entry = "  " + c.NumberText() + " " + c.name;
      if (c.analog) {
        lines.push_back(entry + " analog");
        continue;
      }
      entry += " programme " + std::to_string(c.programNumber);
      if (c.hidden) entry += " hidden";
      if (m.tables != TableSet::kPsiOnly && !c.hideGuide) {
        const GuideEvent now = EventAt(c, utc);
        entry += ": " + (now.titleText.empty() ? std::string("(untitled)") : now.titleText);
      }
      lines.push_back(entry);
    }
  }
  return lines;
}

}  // namespace broadcast
