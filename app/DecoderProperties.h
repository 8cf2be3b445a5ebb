// The property dialog of the player's video or audio decoder (commands 40054
// and 40045): what the decoder filter reports about itself, one line each,
// and OK. Without a player, or with a player that has no such decoder, the
// command is refused with a message instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Dialog.h"

namespace app {

inline constexpr ui::ControlId kDecoderFacts = 1501;

inline constexpr char kNoPlayer[] = "Player has not been built.";
inline constexpr char kNoVideoDecoder[] = "The player has no video decoder.";
inline constexpr char kNoAudioDecoder[] = "The player has no audio decoder.";

enum class DecoderRole { kVideo, kAudio };

// What a decoder filter tells about itself.
struct DecoderFacts {
  std::string name;      // its name in the graph
  std::string classId;   // "{...}"
  std::string input;     // the connected input's format, empty when not connected
  std::string output;    // the connected output's format, empty when not connected
  bool counted = false;  // the filter counts its work: the numbers below are valid
  std::uint64_t inputSamples = 0;
  std::uint64_t frames = 0;
  std::uint64_t decodeErrors = 0;
  std::uint64_t dropped = 0;
};

// Where the facts come from: the current player's decoders.
class IDecoderSource {
 public:
  virtual ~IDecoderSource() = default;
  virtual bool PlayerBuilt() = 0;
  // The decoder in that role, or nothing when the player has none.
  virtual std::optional<DecoderFacts> Decoder(DecoderRole role) = 0;
};

// What the command shows: the facts of the decoder, or the refusal's text.
struct DecoderPagesOutcome {
  std::optional<DecoderFacts> facts;
  std::string refusal;
};
DecoderPagesOutcome DecoderPages(IDecoderSource& source, DecoderRole role);

// The dialog's lines, "label: value".
std::vector<std::string> DecoderLines(const DecoderFacts& facts);

class DecoderPropertiesDialog final : public ui::DialogHandler {
 public:
  explicit DecoderPropertiesDialog(DecoderFacts facts) : facts_(std::move(facts)) {}

  // Titled "<name> Properties".
  static ui::DialogTemplate Layout(std::string_view name);

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;

 private:
  DecoderFacts facts_;
};

}  // namespace app
