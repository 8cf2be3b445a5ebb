#include "tools/broadcast/Description.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>

namespace broadcast {
namespace {

struct MapToken {
  const char* token;
  tuning::ChannelMap map;
};
constexpr MapToken kMapTokens[] = {
    {"us", tuning::kAntennaUs}, {"cable", tuning::kCableStandard}, {"hrc", tuning::kCableHrc},
    {"irc", tuning::kCableIrc}, {"eu", tuning::kAntennaEu},        {"au", tuning::kAntennaAu},
    {"tw", tuning::kAntennaTw},
};

struct ModulationToken {
  const char* token;
  tuning::ModulationMask mask;
};
constexpr ModulationToken kModulationTokens[] = {
    {"8vsb", tuning::kVsb8},
    {"64qam", tuning::kQam64},
    {"256qam", tuning::kQam256},
    {"cofdm-64qam", tuning::kCofdmQam64},
    {"cofdm-qpsk", tuning::kCofdmQpsk},
    {"cofdm-16qam", tuning::kCofdmQam16},
    {"vsb-auto", tuning::kVsbAuto},
    {"qam-auto", tuning::kQamAuto},
    {"cofdm-auto", tuning::kCofdmAuto},
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i])));
    const char y = static_cast<char>(std::tolower(static_cast<unsigned char>(b[i])));
    if (x != y) return false;
  }
  return true;
}

std::optional<long> ParseNumber(std::string_view s) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  long value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return value;
}

// Splits a line into words; "double quotes" keep blanks inside a word, also
// after "key=" ("name=\"Das Erste\""); '#' outside quotes starts a comment.
std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
      ++i;
    if (i >= line.size() || line[i] == '#') break;
    std::string word;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t' && line[i] != '\r'))) {
      if (line[i] == '"')
        quoted = !quoted;
      else
        word.push_back(line[i]);
      ++i;
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::optional<tuning::ChannelMap> ParseMap(const std::string& s) {
  for (const MapToken& t : kMapTokens)
    if (s == t.token) return t.map;
  for (tuning::ChannelMap map = 0; map <= tuning::kAntennaTw; ++map)
    if (EqualsNoCase(s, tuning::ChannelMapName(map))) return map;
  if (auto n = ParseNumber(s); n && *n >= 0 && *n <= 6) return static_cast<tuning::ChannelMap>(*n);
  return std::nullopt;
}

// My tokens, the mode names ("VSB:8-VSB", "QAM:256-QAM", "COFDM:AUTO"), the
// bare families (VSB, QAM, COFDM: their automatic modes) or a one-bit mask.
std::optional<tuning::ModulationMask> ParseModulation(const std::string& s) {
  for (const ModulationToken& t : kModulationTokens)
    if (EqualsNoCase(s, t.token)) return t.mask;
  if (EqualsNoCase(s, "vsb")) return tuning::kVsbAuto;
  if (EqualsNoCase(s, "qam")) return tuning::kQamAuto;
  if (EqualsNoCase(s, "cofdm")) return tuning::kCofdmAuto;
  for (tuning::ModulationMask bit = 1; bit <= tuning::kCofdmAuto; bit <<= 1)
    if (EqualsNoCase(s, tuning::ModulationName(bit))) return bit;
  if (auto n = ParseNumber(s); n && *n > 0 && *n <= 0x1FF && (*n & (*n - 1)) == 0)
    return static_cast<tuning::ModulationMask>(*n);
  return std::nullopt;
}

TableSet DefaultTables(tuning::ModulationMask modulation) {
  switch (tuning::FamilyOf(modulation)) {
    case tuning::DemodulatorFamily::kQam:
      return TableSet::kCvct;
    case tuning::DemodulatorFamily::kCofdm:
      return TableSet::kDvb;
    default:
      return TableSet::kTvct;
  }
}

class LineError {
 public:
  explicit LineError(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

std::uint16_t Number16(const std::string& value, const std::string& what) {
  const auto n = ParseNumber(value);
  if (!n || *n < 0 || *n > 0xFFFF) throw LineError("bad " + what + " \"" + value + "\"");
  return static_cast<std::uint16_t>(*n);
}

void ChannelStatement(const std::vector<std::string>& words, MultiplexDescription& m) {
  if (words.size() < 2) throw LineError("channel <number> ...");
  ChannelDescription c;
  const std::string& number = words[1];
  const auto dot = number.find('.');
  if (dot == std::string::npos) {
    const auto n = ParseNumber(number);
    if (!n || *n < 1 || *n > 16383) throw LineError("one-part number 1-16383 expected");
    c.major = static_cast<int>(*n);
  } else {
    const auto major = ParseNumber(number.substr(0, dot));
    const auto minor = ParseNumber(number.substr(dot + 1));
    if (!major || !minor || *major < 1 || *major > 999 || *minor < 0 || *minor > 999)
      throw LineError("channel number major.minor (1-999.0-999) expected");
    c.major = static_cast<int>(*major);
    c.minor = static_cast<int>(*minor);
  }
  bool video = true;
  bool audio = true;
  std::optional<long> program, pmt, videoPid, audioPid, source, tsid;
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "hidden") {
      c.hidden = true;
    } else if (w == "hide-guide") {
      c.hideGuide = true;
    } else if (w == "analog") {
      c.analog = true;
    } else if (w == "no-video") {
      video = false;
    } else if (w == "no-audio") {
      audio = false;
    } else {
      const auto eq = w.find('=');
      if (eq == std::string::npos) throw LineError("unknown channel word \"" + w + "\"");
      const std::string key = w.substr(0, eq);
      const std::string value = w.substr(eq + 1);
      if (key == "name") {
        c.name = value;
        continue;
      }
      if (key == "guide") {
        c.guide = value;
        continue;
      }
      const auto n = ParseNumber(value);
      if (!n || *n < 0) throw LineError("bad number for " + key);
      if (key == "program")
        program = n;
      else if (key == "pmt")
        pmt = n;
      else if (key == "video")
        videoPid = n;
      else if (key == "audio")
        audioPid = n;
      else if (key == "source")
        source = n;
      else if (key == "tsid")
        tsid = n;
      else
        throw LineError("unknown channel key \"" + key + "\"");
    }
  }
  if (c.analog) {
    c.programNumber = 0xFFFF;
    c.sourceId = static_cast<std::uint16_t>(source.value_or(0x100 + m.channels.size()));
    c.analogTsid = static_cast<std::uint16_t>(tsid.value_or(0));
  } else {
    if (!program || *program < 1 || *program > 0xFFFF) throw LineError("program=1-65535 needed");
    const long p = *program;
    c.programNumber = static_cast<std::uint16_t>(p);
    c.sourceId = static_cast<std::uint16_t>(source.value_or(p));
    // The ATSC default assignment: programme p on PIDs 16p + 0x20, + 1 video, + 4 audio.
    const long base = 16 * p + 0x20;
    c.pmtPid = static_cast<std::uint16_t>(pmt.value_or(base));
    c.videoPid = video ? static_cast<std::uint16_t>(videoPid.value_or(base + 1)) : 0;
    c.audioPid = audio ? static_cast<std::uint16_t>(audioPid.value_or(base + 4)) : 0;
    for (const long pid : {pmt.value_or(base), video ? videoPid.value_or(base + 1) : 0L,
                           audio ? audioPid.value_or(base + 4) : 0L}) {
      if (pid != 0 && (pid < 0x20 || pid > 0x1FEF)) throw LineError("PID out of 0x0020-0x1FEF");
    }
    if (!c.HasVideo() && !c.HasAudio()) throw LineError("a channel needs video or audio");
  }
  if (c.name.empty()) c.name = c.NumberText();
  m.channels.push_back(std::move(c));
}

// One indented line of a synthetic multiplex.
void BodyStatement(const std::vector<std::string>& words, MultiplexDescription& m) {
  const std::string& keyword = words[0];
  if (keyword == "channel") return ChannelStatement(words, m);
  if (words.size() != 2) throw LineError("expected " + keyword + " <value>");
  const std::string& value = words[1];
  if (keyword == "tables") {
    if (value == "tvct")
      m.tables = TableSet::kTvct;
    else if (value == "cvct")
      m.tables = TableSet::kCvct;
    else if (value == "psi")
      m.tables = TableSet::kPsiOnly;
    else if (value == "dvb")
      m.tables = TableSet::kDvb;
    else
      throw LineError("tables takes tvct, cvct, psi or dvb");
  } else if (keyword == "tsid") {
    m.transportStreamId = Number16(value, "tsid");
  } else if (keyword == "onid") {
    m.originalNetworkId = Number16(value, "onid");
  } else if (keyword == "nid") {
    m.networkId = Number16(value, "nid");
  } else if (keyword == "network") {
    m.networkName = value;
  } else {
    throw LineError("unknown line \"" + keyword + "\" in a synthetic multiplex");
  }
}

// Checks a complete synthetic multiplex.
void CheckMultiplex(const MultiplexDescription& m) {
  bool any = false;
  for (std::size_t i = 0; i < m.channels.size(); ++i) {
    const ChannelDescription& a = m.channels[i];
    any = any || !a.analog;
    for (std::size_t j = 0; j < i; ++j) {
      const ChannelDescription& b = m.channels[j];
      if (a.analog || b.analog) continue;
      if (a.programNumber == b.programNumber || a.pmtPid == b.pmtPid ||
          (a.videoPid && (a.videoPid == b.videoPid || a.videoPid == b.audioPid)) ||
          (a.audioPid && (a.audioPid == b.audioPid || a.audioPid == b.videoPid))) {
        throw LineError("multiplex \"" + m.name + "\": channels " + b.NumberText() + " and " +
                        a.NumberText() + " share a programme number or PID");
      }
    }
  }
  if (!any) throw LineError("multiplex \"" + m.name + "\" has no digital channel");
}

MultiplexDescription MultiplexStatement(const std::vector<std::string>& words) {
  if (words.size() < 6)
    throw LineError("multiplex <map> <physical> <modulation> synthetic|capture <name|path>");
  MultiplexDescription m;
  if (words[1] == "frequency") {
    const auto hz = ParseNumber(words[2]);
    if (!hz || *hz <= 0) throw LineError("frequency in hertz expected");
    m.frequencyHz = static_cast<std::uint64_t>(*hz);
    m.channelMap = tuning::kAntennaUs;
    m.physical = -1;
  } else {
    const auto map = ParseMap(words[1]);
    if (!map) throw LineError("unknown channel map \"" + words[1] + "\"");
    m.channelMap = *map;
    const auto physical = ParseNumber(words[2]);
    // A channel the band plan has no frequency for can never be tuned.
    const auto tune = physical && *physical >= 0 && *physical <= 1000
                          ? tuning::ResolveFrequency(m.channelMap, static_cast<int>(*physical))
                          : std::nullopt;
    if (!tune || tune->frequency == 0)
      throw LineError("physical channel \"" + words[2] + "\" is not in the channel map");
    m.physical = static_cast<int>(*physical);
    m.frequencyHz = std::uint64_t{tune->frequency} * tune->multiplier;
  }
  const auto modulation = ParseModulation(words[3]);
  if (!modulation) throw LineError("unknown modulation \"" + words[3] + "\"");
  m.modulation = *modulation;
  m.tables = DefaultTables(m.modulation);
  if (words[4] == "capture") {
    m.synthetic = false;
    m.capturePath = words[5];
    if (m.capturePath.empty()) throw LineError("capture without a path");
  } else if (words[4] == "synthetic") {
    if (m.physical < 0)
      throw LineError("a synthetic multiplex is named by map and physical channel");
    m.name = words[5];
    m.transportStreamId = static_cast<std::uint16_t>(m.physical);
  } else {
    throw LineError("expected synthetic or capture");
  }
  std::size_t next = 6;
  if (next + 1 < words.size() && words[next] == "quality") {
    const auto q = ParseNumber(words[next + 1]);
    if (!q || *q < 0 || *q > 100) throw LineError("quality 0-100 expected");
    m.quality = static_cast<int>(*q);
    next += 2;
  }
  if (next < words.size()) throw LineError("unexpected \"" + words[next] + "\"");
  return m;
}

std::string AtLine(int line, const std::string& message) {
  return "line " + std::to_string(line) + ": " + message;
}

}  // namespace

std::string ChannelDescription::NumberText() const {
  return OnePart() ? std::to_string(major) : std::to_string(major) + "." + std::to_string(minor);
}

std::uint64_t MultiplexDescription::BitRate() const {
  switch (modulation) {
    case tuning::kQam64:
      return kRateQam64;
    case tuning::kQam256:
    case tuning::kQamAuto:
      return kRateQam256;
    case tuning::kVsb8:
    case tuning::kVsbAuto:
      return kRate8Vsb;
    default:
      break;
  }
  // COFDM: 64-QAM, code rate 2/3, guard 1/32 in 8 MHz; QPSK carries a third,
  // 16-QAM two thirds of it; 7 and 6 MHz channels scale with the bandwidth.
  std::uint64_t rate = kRateDvbT8MHz64Qam;
  if (modulation == tuning::kCofdmQpsk) rate = rate / 3;
  if (modulation == tuning::kCofdmQam16) rate = rate * 2 / 3;
  const auto tune = tuning::ResolveFrequency(channelMap, physical);
  const std::int32_t bandwidth = tune && tune->bandwidth > 0 ? tune->bandwidth : 8;
  return rate * static_cast<std::uint64_t>(bandwidth) / 8;
}

std::string MultiplexDescription::CaptureFileName() const {
  const char* map = "map";
  for (const MapToken& t : kMapTokens)
    if (t.map == channelMap) map = t.token;
  const char* mod = "cofdm";
  switch (modulation) {
    case tuning::kVsb8:
      mod = "8vsb";
      break;
    case tuning::kVsbAuto:
      mod = "vsb";
      break;
    case tuning::kQam64:
      mod = "64qam";
      break;
    case tuning::kQam256:
      mod = "256qam";
      break;
    case tuning::kQamAuto:
      mod = "qam";
      break;
    default:
      break;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%s-%d-%s.ts", map, physical, mod);
  return text;
}

bool ParseSyntheticMultiplex(tuning::ChannelMap map, int physical,
                             tuning::ModulationMask modulation, const std::string& name,
                             std::span<const BodyLine> body, MultiplexDescription& out,
                             std::string& error) {
  out = {};
  out.channelMap = map;
  out.physical = physical;
  out.modulation = modulation;
  out.name = name;
  out.tables = DefaultTables(modulation);
  out.transportStreamId = static_cast<std::uint16_t>(physical);
  if (const auto tune = tuning::ResolveFrequency(map, physical))
    out.frequencyHz = std::uint64_t{tune->frequency} * tune->multiplier;
  int line = body.empty() ? 0 : body.front().line;
  try {
    for (const BodyLine& b : body) {
      line = b.line;
      const auto words = Words(b.text);
      if (!words.empty()) BodyStatement(words, out);
    }
    CheckMultiplex(out);
  } catch (const LineError& e) {
    error = AtLine(line, e.Message());
    return false;
  }
  return true;
}

bool ParseBroadcastDescription(std::string_view text, BroadcastDescription& out,
                               std::string& error) {
  out = {};
  int lineNumber = 0;
  int multiplexLine = 0;
  std::size_t start = 0;
  auto finish = [&]() {
    if (!out.multiplexes.empty() && out.multiplexes.back().synthetic) {
      try {
        CheckMultiplex(out.multiplexes.back());
      } catch (const LineError& e) {
        error = AtLine(multiplexLine, e.Message());
        return false;
      }
    }
    return true;
  };
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    try {
      const auto words = Words(line);
      if (words.empty()) continue;
      if (line[0] == ' ' || line[0] == '\t') {
        if (out.multiplexes.empty() || !out.multiplexes.back().synthetic)
          throw LineError("an indented line belongs under a synthetic multiplex");
        BodyStatement(words, out.multiplexes.back());
        continue;
      }
      if (!finish()) return false;
      if (words[0] == "multiplex") {
        out.multiplexes.push_back(MultiplexStatement(words));
        multiplexLine = lineNumber;
      } else if (words[0] == "tuners" || words[0] == "pace") {
        // The virtual tuner's own settings: not the generator's business.
      } else {
        throw LineError("unknown line \"" + words[0] + "\"");
      }
    } catch (const LineError& e) {
      error = AtLine(lineNumber, e.Message());
      return false;
    }
  }
  return finish();
}

}  // namespace broadcast
