// ChannelLocator: the 16 bytes that name a channel for tuning. Its first two
// 32-bit words are the channel's keys: key 1 = physical | minor << 8,
// key 2 = major (or a one-part number).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "stored records are copied as little-endian memory images");

namespace tuning {

inline constexpr std::uint16_t kNoNumber = 0xFFFF;

struct ChannelLocator {
  std::uint32_t key1 = 0;  // byte 0 physical, bytes 1-2 minor, byte 3 reserved
  std::uint32_t key2 = 0;  // bytes 4-5 major, bytes 6-7 reserved
  std::uint8_t channelMap = 0;
  std::uint8_t modulation = 0;  // low byte of the ModulationMask
  std::uint8_t reserved[6] = {};

  std::uint8_t physical() const { return static_cast<std::uint8_t>(key1); }
  std::uint16_t minor() const { return static_cast<std::uint16_t>(key1 >> 8); }
  std::uint16_t major() const { return static_cast<std::uint16_t>(key2); }

  void SetPhysical(std::uint8_t v) { key1 = (key1 & ~0xFFu) | v; }
  void SetMinor(std::uint16_t v) {
    key1 = (key1 & ~0xFFFF00u) | static_cast<std::uint32_t>(v) << 8;
  }
  void SetMajor(std::uint16_t v) { key2 = (key2 & ~0xFFFFu) | v; }

  static constexpr std::uint32_t MakeKey1(std::uint32_t physical, std::uint32_t minor) {
    return (physical & 0xFF) | (minor & 0xFFFF) << 8;
  }

  // A locator with the reserved bytes zeroed.
  static ChannelLocator Make(std::uint8_t physical, std::uint16_t minor, std::uint16_t major,
                             std::uint8_t channelMap, std::uint8_t modulation) {
    ChannelLocator l;
    l.key1 = MakeKey1(physical, minor);
    l.key2 = major;
    l.channelMap = channelMap;
    l.modulation = modulation;
    return l;
  }

  // The locator used before any channel is known: minor and major none, map 0,
  // 8-VSB, on the given physical channel.
  static ChannelLocator Empty(std::uint8_t physical) {
    return Make(physical, kNoNumber, kNoNumber, 0, 1);
  }
};

static_assert(sizeof(ChannelLocator) == 16);
static_assert(offsetof(ChannelLocator, key2) == 4);
static_assert(offsetof(ChannelLocator, channelMap) == 8);
static_assert(offsetof(ChannelLocator, modulation) == 9);

}  // namespace tuning
