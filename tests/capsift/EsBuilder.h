// Builds small MPEG-2 video elementary streams header by header, with slices
// of filler bytes, for the extractor tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace capsift::test {

// One cc_data construct (three bytes as carried).
struct CcConstruct {
  std::uint8_t head;  // marker bits, cc_valid, cc_type
  std::uint8_t data1;
  std::uint8_t data2;
};

// A kept line 21 field 1 pair (cc_valid 1, cc_type 0).
inline CcConstruct Field1(std::uint8_t a, std::uint8_t b) {
  return {0xFC, a, b};
}

class BitWriter {
 public:
  void Put(std::uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      current_ = static_cast<std::uint8_t>(current_ << 1 | ((value >> i) & 1));
      if (++used_ == 8) {
        bytes_.push_back(current_);
        current_ = 0;
        used_ = 0;
      }
    }
  }
  // Pads with zero bits to a byte boundary and returns the bytes.
  std::vector<std::uint8_t> Finish() {
    while (used_ != 0)
      Put(0, 1);
    return std::move(bytes_);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint8_t current_ = 0;
  unsigned used_ = 0;
};

class EsBuilder {
 public:
  EsBuilder& Raw(std::initializer_list<std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  EsBuilder& Raw(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  EsBuilder& StartCode(std::uint8_t value) { return Raw({0x00, 0x00, 0x01, value}); }

  // Sequence header for 176x144 at 29.97 Hz; with a sequence extension unless
  // `mpeg1` is set.
  EsBuilder& SequenceHeader(bool mpeg1 = false) {
    StartCode(0xB3);
    BitWriter w;
    w.Put(176, 12);
    w.Put(144, 12);
    w.Put(2, 4);      // aspect ratio 4:3
    w.Put(4, 4);      // 29.97 Hz
    w.Put(2000, 18);  // bit rate
    w.Put(1, 1);      // marker
    w.Put(112, 10);   // VBV buffer size
    w.Put(0, 1);      // constrained parameters
    w.Put(0, 1);      // no intra matrix
    w.Put(0, 1);      // no non-intra matrix
    Raw(w.Finish());
    if (!mpeg1) {
      StartCode(0xB5);
      BitWriter e;
      e.Put(1, 4);     // sequence extension
      e.Put(0x48, 8);  // main profile, main level
      e.Put(0, 1);     // progressive_sequence
      e.Put(1, 2);     // 4:2:0
      e.Put(0, 4);
      e.Put(0, 12);
      e.Put(1, 1);  // marker
      e.Put(0, 8);
      e.Put(0, 1);
      e.Put(0, 7);
      Raw(e.Finish());
    }
    return *this;
  }

  EsBuilder& Group() {
    StartCode(0xB8);
    BitWriter w;
    w.Put(0, 25);
    w.Put(1, 1);  // closed GOP
    w.Put(0, 1);
    Raw(w.Finish());
    return *this;
  }

  // Picture header of `type` (1 I, 2 P, 3 B) and, unless `structure` is 0, a
  // picture coding extension with that picture structure.
  EsBuilder& PictureHeader(std::uint8_t type, std::uint8_t structure = 3) {
    StartCode(0x00);
    BitWriter w;
    w.Put(0, 10);  // temporal reference
    w.Put(type, 3);
    w.Put(0xFFFF, 16);
    if (type == 2 || type == 3) w.Put(0x7, 4);
    if (type == 3) w.Put(0x7, 4);
    w.Put(0, 1);  // no extra information
    Raw(w.Finish());
    if (structure != 0) {
      StartCode(0xB5);
      BitWriter e;
      e.Put(8, 4);        // picture coding extension
      e.Put(0xFFFF, 16);  // f codes
      e.Put(0, 2);
      e.Put(structure, 2);
      e.Put(0, 9);
      e.Put(0, 1);  // no composite display
      Raw(e.Finish());
    }
    return *this;
  }

  // ATSC cc_data user data.
  EsBuilder& CcUserData(const std::vector<CcConstruct>& constructs, std::uint8_t flags = 0x40,
                        int countOverride = -1) {
    StartCode(0xB2);
    Raw({'G', 'A', '9', '4', 0x03});
    const auto count = countOverride >= 0 ? static_cast<std::uint8_t>(countOverride)
                                          : static_cast<std::uint8_t>(constructs.size());
    Raw({static_cast<std::uint8_t>(flags | 0x80 | (count & 0x1F)), 0xFF});
    for (const auto& c : constructs)
      Raw({c.head, c.data1, c.data2});
    Raw({0xFF});
    return *this;
  }

  EsBuilder& UserData(const std::string& payload) {
    StartCode(0xB2);
    for (char c : payload)
      bytes_.push_back(static_cast<std::uint8_t>(c));
    return *this;
  }

  // One slice of filler bytes that hold no start code prefix.
  EsBuilder& Slice(std::size_t size = 40) {
    StartCode(0x01);
    for (std::size_t i = 0; i < size; ++i)
      bytes_.push_back(static_cast<std::uint8_t>(0x10 + i % 200));
    return *this;
  }

  // A frame picture with one user data structure and one slice.
  EsBuilder& Picture(std::uint8_t type, const std::vector<CcConstruct>& constructs,
                     std::uint8_t structure = 3) {
    PictureHeader(type, structure);
    if (!constructs.empty()) CcUserData(constructs);
    return Slice();
  }

  EsBuilder& SequenceEnd() { return StartCode(0xB7); }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace capsift::test
