#include "filters/source/FormatBlocks.h"

#include <cstddef>

namespace filters {
namespace {

// The sequence header the video block carries (720x480, 29.97 Hz, main
// profile at main level), with its sequence extension.
constexpr std::uint8_t kSequenceHeader[86] = {
    0x00, 0x00, 0x01, 0xb3, 0x2d, 0x01, 0xe0, 0x24, 0x09, 0xc4, 0x23, 0x81, 0x10, 0x11, 0x11,
    0x12, 0x12, 0x12, 0x13, 0x13, 0x13, 0x13, 0x14, 0x14, 0x14, 0x14, 0x14, 0x15, 0x15, 0x15,
    0x15, 0x15, 0x15, 0x16, 0x16, 0x16, 0x16, 0x16, 0x16, 0x16, 0x17, 0x17, 0x17, 0x17, 0x17,
    0x17, 0x17, 0x17, 0x18, 0x18, 0x18, 0x19, 0x18, 0x18, 0x18, 0x19, 0x1a, 0x1a, 0x1a, 0x1a,
    0x19, 0x1b, 0x1b, 0x1b, 0x1b, 0x1b, 0x1c, 0x1c, 0x1c, 0x1c, 0x1e, 0x1e, 0x1e, 0x1f, 0x1f,
    0x21, 0x00, 0x00, 0x01, 0xb5, 0x14, 0x82, 0x00, 0x01, 0x00, 0x00};

template <std::size_t N>
class Writer {
 public:
  explicit Writer(std::array<std::uint8_t, N>& out) : out_(out) {}
  void U16(std::uint32_t v) { Le(v, 2); }
  void U32(std::uint32_t v) { Le(v, 4); }
  void U64(std::uint64_t v) {
    Le(static_cast<std::uint32_t>(v), 4);
    Le(static_cast<std::uint32_t>(v >> 32), 4);
  }
  void Bytes(const std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
      out_[pos_++] = data[i];
  }
  std::size_t Position() const { return pos_; }

 private:
  void Le(std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
      out_[pos_++] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  std::array<std::uint8_t, N>& out_;
  std::size_t pos_ = 0;
};

std::array<std::uint8_t, kVideoFormatBlockSize> MakeVideoBlock() {
  std::array<std::uint8_t, kVideoFormatBlockSize> block{};
  Writer w(block);
  for (std::uint32_t v : {0u, 0u, 720u, 480u})
    w.U32(v);  // source rectangle
  for (int i = 0; i < 4; ++i)
    w.U32(0);        // target rectangle
  w.U32(4'000'000);  // bit rate
  w.U32(0);          // bit error rate
  w.U64(333'667);    // average time per frame
  w.U32(0);          // interlace flags
  w.U32(0);          // copy protection flags
  w.U32(4);          // picture aspect ratio 4 : 3
  w.U32(3);
  w.U32(0);  // control flags
  w.U32(0);  // reserved
  // Bitmap header.
  w.U32(40);
  w.U32(720);
  w.U32(480);
  w.U16(0);           // planes
  w.U16(0);           // bit count
  w.U32(0x4745504D);  // 'MPEG'
  w.U32(0);           // image size
  w.U32(2000);        // x pixels per metre
  w.U32(53031);       // y pixels per metre
  w.U32(0);           // colours used
  w.U32(0);           // important
  w.U32(455832);      // start time code
  w.U32(sizeof kSequenceHeader);
  w.U32(2);  // profile: main
  w.U32(2);  // level: main
  w.U32(0);  // flags
  w.Bytes(kSequenceHeader, sizeof kSequenceHeader);
  return block;
}

std::array<std::uint8_t, kAudioFormatBlockSize> MakeAudioBlock() {
  std::array<std::uint8_t, kAudioFormatBlockSize> block{};
  Writer w(block);
  w.U16(0x0050);  // format tag
  w.U16(2);       // channels
  w.U32(48000);   // samples per second
  w.U32(32000);   // average bytes per second
  w.U16(768);     // block align
  w.U16(0);       // bits per sample
  w.U16(22);      // extra size
  w.U16(2);       // head layer
  w.U32(256000);  // head bit rate
  w.U16(1);       // head mode
  w.U16(1);       // head mode extension
  w.U16(1);       // emphasis
  w.U16(0x1C);    // head flags
  w.U32(0);       // PTS low
  w.U32(0);       // PTS high
  return block;
}

}  // namespace

const std::array<std::uint8_t, kVideoFormatBlockSize>& VideoFormatBlock() {
  static const auto block = MakeVideoBlock();
  return block;
}

const std::array<std::uint8_t, kAudioFormatBlockSize>& AudioFormatBlock() {
  static const auto block = MakeAudioBlock();
  return block;
}

}  // namespace filters
