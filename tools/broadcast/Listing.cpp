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

// The guide's texts are Latin-1; the listing is UTF-8 like the rest of the
// command's output.
std::string Latin1ToUtf8(const std::string& latin1) {
  std::string utf8;
  for (const char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8.push_back(c);
    } else {
      utf8.push_back(static_cast<char>(0xC0 | byte >> 6));
      utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return utf8;
}

}  // namespace

std::vector<std::string> ListBroadcast(const BroadcastDescription& description, std::int64_t utc) {
  std::vector<std::string> lines;
  for (const MultiplexDescription& m : description.multiplexes) {
    std::string line = std::string(tuning::ChannelMapName(m.channelMap)) + " " +
                       std::to_string(m.physical) + " " + tuning::ModulationName(m.modulation);
    // Appended piece by piece: GCC 12 at -O2 reports a false -Wrestrict
    // overlap for a literal prepended to a temporary string (" " + to_string).
    if (const auto tune = tuning::ResolveFrequency(m.channelMap, m.physical)) {
      line += ' ';
      line += std::to_string(std::uint64_t{tune->frequency} * tune->multiplier);
      line += " Hz";
    }
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
        entry += ": " +
                 (now.titleText.empty() ? std::string("(untitled)") : Latin1ToUtf8(now.titleText));
      }
      lines.push_back(entry);
    }
  }
  return lines;
}

}  // namespace broadcast
