// The cache of encoded loops: one file per channel look, named by a hash of
// everything that shapes the encoded bytes.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "common/ByteReader.h"
#include "tools/broadcast/ElementaryLoop.h"

extern "C" {
#include <libavcodec/version.h>
}

namespace broadcast {
namespace {

constexpr std::uint32_t kMagic = 0x43564C50;  // "CVLP"
constexpr std::uint32_t kFormatVersion = 2;   // also changes when the picture or captions change
constexpr std::uint32_t kMaxUnits = 100'000;
constexpr std::uint32_t kMaxUnitBytes = 4 << 20;

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (const char ch : text) {
    h ^= static_cast<std::uint8_t>(ch);
    h *= 0x100000001B3ull;
  }
  return h;
}

std::string CacheKey(const ChannelDescription& c, const LoopOptions& o) {
  // Starts from a named string: GCC 12 at -O2 reports a false -Wrestrict
  // overlap for a literal prepended to a temporary string ("v" + to_string).
  std::string key = std::string("v") + std::to_string(kFormatVersion) + " lavc" +
                    std::to_string(LIBAVCODEC_VERSION_INT) + " " + std::to_string(o.width) + "x" +
                    std::to_string(o.height) + " f" + std::to_string(o.frames) + " vb" +
                    std::to_string(o.videoBitRate) + " ab" + std::to_string(o.audioBitRate) + " n" +
                    c.NumberText() + " p" + std::to_string(c.programNumber) + " v" +
                    std::to_string(c.HasVideo()) + " a" + std::to_string(c.HasAudio());
  const auto [left, right] = ChannelTone(c);
  key += " t" + std::to_string(left) + "/" + std::to_string(right);
  for (const auto& caption : LoopCaptionTexts(c))
    for (const std::string& row : caption)
      key += "|" + row;
  return key;
}

void WriteUnits(BitWriter& w, const std::vector<AccessUnit>& units) {
  w.U32(static_cast<std::uint32_t>(units.size()));
  for (const AccessUnit& u : units) {
    w.U32(static_cast<std::uint32_t>(u.pts >> 32));
    w.U32(static_cast<std::uint32_t>(u.pts));
    w.U32(static_cast<std::uint32_t>(u.dts >> 32));
    w.U32(static_cast<std::uint32_t>(u.dts));
    w.U8(u.key ? 1 : 0);
    w.U32(static_cast<std::uint32_t>(u.data.size()));
    w.Append(u.data);
  }
}

bool ReadUnits(common::ByteReader& r, std::vector<AccessUnit>& units) {
  const std::uint32_t count = r.U32();
  // Each unit takes at least its 21 header bytes: a count the file cannot hold is refused
  // before anything is allocated for it.
  if (!r.Ok() || count > kMaxUnits || std::size_t{count} * 21 > r.Remaining()) return false;
  units.resize(count);
  for (AccessUnit& u : units) {
    u.pts = r.U64();
    u.dts = r.U64();
    u.key = r.U8() != 0;
    const std::uint32_t size = r.U32();
    if (size > kMaxUnitBytes) return false;
    const auto bytes = r.Bytes(size);
    if (!r.Ok()) return false;
    u.data.assign(bytes.begin(), bytes.end());
  }
  return r.Ok();
}

}  // namespace

std::filesystem::path DefaultCacheFolder() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".cache";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return base / "Corvane DVR" / "broadcast";
}

Bytes SerializeLoop(const EncodedLoop& loop) {
  BitWriter w;
  w.U32(kMagic);
  w.U32(kFormatVersion);
  w.U32(static_cast<std::uint32_t>(loop.videoDuration));
  w.U32(static_cast<std::uint32_t>(loop.audioDuration));
  WriteUnits(w, loop.video);
  WriteUnits(w, loop.audio);
  w.U32(static_cast<std::uint32_t>(loop.captions.size()));
  for (const CaptionPair& p : loop.captions) {
    w.U8(p[0]);
    w.U8(p[1]);
  }
  return w.Take();
}

bool DeserializeLoop(std::span<const std::uint8_t> bytes, EncodedLoop& out) {
  out = {};
  common::ByteReader r(bytes);
  if (r.U32() != kMagic || r.U32() != kFormatVersion) return false;
  out.videoDuration = r.U32();
  out.audioDuration = r.U32();
  if (!ReadUnits(r, out.video) || !ReadUnits(r, out.audio)) return false;
  const std::uint32_t captions = r.U32();
  if (!r.Ok() || captions > kMaxUnits || std::size_t{captions} * 2 > r.Remaining()) return false;
  out.captions.resize(captions);
  for (CaptionPair& p : out.captions) {
    p[0] = r.U8();
    p[1] = r.U8();
  }
  if (!r.Ok() || !r.AtEnd()) return false;
  // A loop must have a length for each stream it holds.
  if ((!out.video.empty() && out.videoDuration == 0) ||
      (!out.audio.empty() && out.audioDuration == 0))
    return false;
  return true;
}

bool LoadOrEncodeLoop(const ChannelDescription& channel, const LoopOptions& options,
                      const std::filesystem::path& cacheFolder, EncodedLoop& out,
                      std::string& error) {
  if (cacheFolder.empty()) return EncodeLoop(channel, options, out, error);
  char name[32];
  std::snprintf(name, sizeof name, "loop-%016llx.bin",
                static_cast<unsigned long long>(Fnv1a(CacheKey(channel, options))));
  const std::filesystem::path file = cacheFolder / name;
  {
    std::ifstream in(file, std::ios::binary);
    if (in) {
      const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (DeserializeLoop(bytes, out)) return true;
    }
  }
  if (!EncodeLoop(channel, options, out, error)) return false;
  // Written beside and renamed into place, so a reader never sees half a file.
  std::error_code ec;
  std::filesystem::create_directories(cacheFolder, ec);
  const std::filesystem::path temporary = file.string() + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream o(temporary, std::ios::binary | std::ios::trunc);
    const Bytes bytes = SerializeLoop(out);
    o.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    if (!o) {
      std::filesystem::remove(temporary, ec);
      return true;  // the loop is usable even when the cache cannot be written
    }
  }
  std::filesystem::rename(temporary, file, ec);
  if (ec) std::filesystem::remove(temporary, ec);
  return true;
}

}  // namespace broadcast
