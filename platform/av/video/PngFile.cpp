#include "platform/av/video/PngFile.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

namespace av::video {
namespace {

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A chunk: length, type, data, CRC-32 of type and data.
void PutChunk(std::vector<std::uint8_t>& out, const char type[4],
              const std::vector<std::uint8_t>& data) {
  PutBig32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
  PutBig32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

bool WritePng(const std::string& path, const RgbaImage& image) {
  if (image.width <= 0 || image.height <= 0) return false;
  // Each row: filter type 0, then R, G, B.
  const std::size_t rowBytes = 1 + static_cast<std::size_t>(image.width) * 3;
  std::vector<std::uint8_t> raw(rowBytes * image.height);
  for (int row = 0; row < image.height; ++row) {
    std::uint8_t* out = raw.data() + row * rowBytes;
    const std::uint8_t* in = image.pixels.data() + static_cast<std::size_t>(row) * image.width * 4;
    *out++ = 0;
    for (int x = 0; x < image.width; ++x, in += 4) {
      *out++ = in[0];
      *out++ = in[1];
      *out++ = in[2];
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) !=
      Z_OK) {
    return false;
  }
  packed.resize(packedSize);

  std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutBig32(header, static_cast<std::uint32_t>(image.width));
  PutBig32(header, static_cast<std::uint32_t>(image.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // depth 8, RGB, deflate, filter 0, no interlace
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", packed);
  PutChunk(file, "IEND", {});

  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace av::video
