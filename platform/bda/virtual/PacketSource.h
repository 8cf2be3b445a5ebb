// What a virtual tuner receives on a locked multiplex: a source of transport
// packets pulled in chunks. Captures played in a loop are one kind; a synthetic
// multiplex generator plugs in as another through SyntheticSourceFactory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace vtuner {

struct MultiplexDecl;

class PacketSource {
 public:
  virtual ~PacketSource() = default;
  // Fills `out` with whole 188-byte packets (as many as fit) and returns the
  // number of bytes written; 0 when `out` holds less than one packet or the
  // source has nothing to give. Never blocks: pacing is the tuner's business.
  virtual std::size_t Read(std::span<std::uint8_t> out) = 0;
  // Why the source has ended for good (its capture can no longer be read),
  // empty while it delivers.
  virtual std::string Failure() const { return {}; }
};

// Creates the source of a synthetic multiplex from its declaration (name and
// indented lines). Returns null and sets `error` when it cannot.
using SyntheticSourceFactory =
    std::function<std::unique_ptr<PacketSource>(const MultiplexDecl& mux, std::string* error)>;

}  // namespace vtuner
