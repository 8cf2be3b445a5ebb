#include "platform/bda/virtual/Description.h"

#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>

namespace vtuner {
namespace {

using common::DemodulatorFamily;

struct Token {
  std::string text;
  bool quoted = false;
};

class LineError {
 public:
  explicit LineError(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

std::string Quote(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Splits a line into words; "..." keeps spaces inside one word, '#' outside a
// word starts a comment.
std::vector<Token> Tokenize(std::string_view line) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    Token token;
    if (line[i] == '"') {
      const auto close = line.find('"', i + 1);
      if (close == std::string_view::npos) throw LineError("quote without its closing quote");
      token.text = std::string(line.substr(i + 1, close - i - 1));
      token.quoted = true;
      i = close + 1;
      if (i < line.size() && !IsBlank(line[i]) && line[i] != '#')
        throw LineError("closing quote must end a word");
    } else {
      const auto start = i;
      while (i < line.size() && !IsBlank(line[i]))
        ++i;
      token.text = std::string(line.substr(start, i - start));
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
  std::uint64_t value = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::uint64_t ParseNumber(const Token& token, std::string_view what, std::uint64_t low,
                          std::uint64_t high) {
  const auto value = ParseUnsigned(token.text);
  if (!value) throw LineError(std::string(what) + " must be a number, not " + Quote(token.text));
  if (*value < low || *value > high)
    throw LineError(std::string(what) + " " + token.text + " lies outside " + std::to_string(low) +
                    "-" + std::to_string(high));
  return *value;
}

int ParseChannelMap(const Token& token) {
  if (!token.quoted) {
    if (const auto value = ParseUnsigned(token.text)) {
      if (*value <= common::kAntennaTw) return static_cast<int>(*value);
      throw LineError("channel map " + token.text + " lies outside 0-6");
    }
  }
  for (int map = 0; map <= static_cast<int>(common::kAntennaTw); ++map)
    if (EqualsNoCase(token.text, common::ChannelMapName(static_cast<common::ChannelMap>(map))))
      return map;
  throw LineError("unknown channel map " + Quote(token.text));
}

struct Modulation {
  DemodulatorFamily family;
  common::ModulationMask mask;
};

// A mode name such as "QAM:256-QAM", or a bare family ("QAM"), which stands for
// that family's automatic mode.
Modulation ParseModulation(const Token& token) {
  static constexpr struct {
    const char* name;
    DemodulatorFamily family;
    common::ModulationMask mask;
  } kFamilies[] = {{"VSB", DemodulatorFamily::kVsb, common::kVsbAuto},
                   {"QAM", DemodulatorFamily::kQam, common::kQamAuto},
                   {"COFDM", DemodulatorFamily::kCofdm, common::kCofdmAuto}};
  for (const auto& family : kFamilies)
    if (EqualsNoCase(token.text, family.name)) return {family.family, family.mask};
  for (common::ModulationMask bit = 1; bit <= common::kCofdmAuto; bit <<= 1)
    if (EqualsNoCase(token.text, common::ModulationName(bit))) return {common::FamilyOf(bit), bit};
  throw LineError("unknown modulation " + Quote(token.text) +
                  " (a name such as \"VSB:8-VSB\", \"QAM:256-QAM\", \"COFDM:AUTO\", or VSB, "
                  "QAM, COFDM)");
}

bool ParseOnOff(const Token& token, std::string_view what) {
  if (EqualsNoCase(token.text, "on")) return true;
  if (EqualsNoCase(token.text, "off")) return false;
  throw LineError(std::string(what) + " takes on or off, not " + Quote(token.text));
}

void ExpectCount(const std::vector<Token>& tokens, std::size_t count, std::string_view usage) {
  if (tokens.size() != count) throw LineError("expected " + std::string(usage));
}

constexpr std::string_view kMultiplexUsage =
    "multiplex <map> <physical> <modulation> capture <path> [quality <q>], "
    "multiplex <map> <physical> <modulation> synthetic <name> [quality <q>] or "
    "multiplex frequency <hz> <family> capture <path> [quality <q>]";

MultiplexDecl ParseMultiplex(const std::vector<Token>& tokens, const std::filesystem::path& folder,
                             bool checkFiles) {
  if (tokens.size() < 6) throw LineError("expected " + std::string(kMultiplexUsage));
  MultiplexDecl mux;
  if (!tokens[1].quoted && tokens[1].text == "frequency") {
    // Up to 100 GHz: far beyond any band, small enough for every product below.
    mux.frequencyHz = ParseNumber(tokens[2], "frequency", 1, 100'000'000'000ull);
  } else {
    mux.channelMap = ParseChannelMap(tokens[1]);
    mux.physical = static_cast<int>(ParseNumber(tokens[2], "physical channel", 0, 1000));
    const auto map = static_cast<common::ChannelMap>(mux.channelMap);
    const auto tune = common::ResolveFrequency(map, mux.physical);
    if (!tune)
      throw LineError("physical channel " + tokens[2].text + " lies outside the " +
                      Quote(common::ChannelMapName(map)) + " band plan");
    mux.frequencyHz = std::uint64_t{tune->frequency} * tune->multiplier;
    if (mux.frequencyHz == 0)
      throw LineError("physical channel " + tokens[2].text + " has no frequency in the " +
                      Quote(common::ChannelMapName(map)) + " band plan");
  }
  const auto modulation = ParseModulation(tokens[3]);
  mux.family = modulation.family;
  mux.modulation = modulation.mask;

  const auto& kind = tokens[4].text;
  if (kind == "capture") {
    mux.kind = SourceKind::kCapture;
    if (tokens[5].text.empty()) throw LineError("empty capture path");
    const std::filesystem::path path(tokens[5].text);
    mux.capture = (path.is_absolute() ? path : folder / path).lexically_normal();
    if (checkFiles) {
      std::error_code ec;
      if (!std::filesystem::is_regular_file(mux.capture, ec))
        throw LineError("capture file " + Quote(mux.capture.string()) + " not found");
    }
  } else if (kind == "synthetic") {
    if (mux.channelMap < 0)
      throw LineError("a synthetic multiplex is named by channel map and physical channel");
    mux.kind = SourceKind::kSynthetic;
    mux.syntheticName = tokens[5].text;
  } else {
    throw LineError("expected capture or synthetic, not " + Quote(kind));
  }

  std::size_t next = 6;
  if (next < tokens.size() && tokens[next].text == "quality") {
    if (next + 1 >= tokens.size()) throw LineError("quality needs a value 0-100");
    mux.quality = static_cast<int>(ParseNumber(tokens[next + 1], "quality", 0, 100));
    next += 2;
  }
  if (next < tokens.size() && tokens[next].text == "dropout") {
    if (next + 2 >= tokens.size())
      throw LineError("dropout needs the seconds before it and the seconds it lasts");
    mux.dropoutAfter = static_cast<int>(ParseNumber(tokens[next + 1], "dropout start", 0, 86'400));
    mux.dropoutSeconds =
        static_cast<int>(ParseNumber(tokens[next + 2], "dropout length", 1, 3'600));
    next += 3;
  }
  if (next < tokens.size()) throw LineError("unexpected " + Quote(tokens[next].text));
  return mux;
}

std::uint64_t Distance(std::uint64_t a, std::uint64_t b) {
  return a > b ? a - b : b - a;
}

}  // namespace

const char* FamilyName(common::DemodulatorFamily family) {
  switch (family) {
    case DemodulatorFamily::kVsb:
      return "VSB";
    case DemodulatorFamily::kQam:
      return "QAM";
    case DemodulatorFamily::kCofdm:
      return "COFDM";
    default:
      return "none";
  }
}

DescriptionResult ParseDescription(std::string_view text, const std::filesystem::path& folder,
                                   std::string_view source, bool checkFiles) {
  DescriptionResult result;
  auto& description = result.description;
  description.folder = folder;
  int tunersLine = 0, paceLine = 0;
  bool inMultiplex = false;
  int lineNumber = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const auto line = text.substr(start, end - start);
    ++lineNumber;
    start = end + 1;
    try {
      std::size_t first = 0;
      while (first < line.size() && IsBlank(line[first]))
        ++first;
      if (first == line.size() || line[first] == '#') continue;
      if (first > 0) {
        if (!inMultiplex) throw LineError("indented line outside a multiplex");
        auto& mux = description.multiplexes.back();
        if (mux.kind != SourceKind::kSynthetic)
          throw LineError("a capture multiplex takes no indented lines");
        auto body = std::string(line);
        if (!body.empty() && body.back() == '\r') body.pop_back();
        mux.body.push_back({lineNumber, std::move(body)});
        continue;
      }
      inMultiplex = false;
      const auto tokens = Tokenize(line);
      const auto& keyword = tokens[0].text;
      if (keyword == "tuners") {
        if (tunersLine)
          throw LineError("tuners given twice (line " + std::to_string(tunersLine) + ")");
        ExpectCount(tokens, 2, "tuners <count>");
        description.tuners =
            static_cast<int>(ParseNumber(tokens[1], "tuner count", 1, kMaxTunerCount));
        tunersLine = lineNumber;
      } else if (keyword == "pace") {
        if (paceLine) throw LineError("pace given twice (line " + std::to_string(paceLine) + ")");
        ExpectCount(tokens, 2, "pace on|off");
        description.pace = ParseOnOff(tokens[1], "pace");
        paceLine = lineNumber;
      } else if (keyword == "multiplex") {
        auto mux = ParseMultiplex(tokens, folder, checkFiles);
        mux.line = lineNumber;
        for (const auto& other : description.multiplexes) {
          if (other.family == mux.family &&
              Distance(other.frequencyHz, mux.frequencyHz) <= 2 * kFrequencyTolerance)
            throw LineError("multiplex overlaps the one on line " + std::to_string(other.line) +
                            " (both " + FamilyName(mux.family) + " within " +
                            std::to_string(2 * kFrequencyTolerance / 1000) + " kHz)");
        }
        description.multiplexes.push_back(std::move(mux));
        inMultiplex = true;
      } else {
        throw LineError("unknown statement " + Quote(keyword) +
                        " (expected tuners, pace or multiplex)");
      }
    } catch (const LineError& error) {
      result.error =
          std::string(source) + ":" + std::to_string(lineNumber) + ": " + error.Message();
      return result;
    }
  }
  result.ok = true;
  return result;
}

DescriptionResult LoadDescription(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    DescriptionResult result;
    result.error = file.string() + ": cannot open the broadcast description";
    return result;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseDescription(text.str(), file.parent_path(), file.string());
}

const MultiplexDecl* FindMultiplex(const BroadcastDescription& description,
                                   std::uint64_t frequencyHz, common::DemodulatorFamily family) {
  const MultiplexDecl* best = nullptr;
  for (const auto& mux : description.multiplexes) {
    if (mux.family != family) continue;
    const auto distance = Distance(mux.frequencyHz, frequencyHz);
    if (distance <= kFrequencyTolerance &&
        (!best || distance < Distance(best->frequencyHz, frequencyHz)))
      best = &mux;
  }
  return best;
}

}  // namespace vtuner
