#include "capsift/HeaderParser.h"

#include "capsift/CcDataParser.h"
#include "common/ByteReader.h"

namespace capsift {
namespace {

constexpr std::uint32_t kExtensionStartCode = 0x000001B5;
constexpr std::uint32_t kUserDataStartCode = 0x000001B2;

constexpr std::uint32_t kSequenceExtension = 1;
constexpr std::uint32_t kPictureCodingExtension = 8;

void ParseSequenceExtension(common::ByteReader& r, HeaderState& state) {
  r.SkipBits(8);   // profile_and_level_indication
  r.SkipBits(1);   // progressive_sequence
  r.SkipBits(2);   // chroma_format
  r.SkipBits(4);   // horizontal and vertical size extension
  r.SkipBits(12);  // bit_rate_extension
  r.SkipBits(1);   // marker_bit
  r.SkipBits(8);   // vbv_buffer_size_extension
  r.SkipBits(1);   // low_delay
  r.SkipBits(7);   // frame_rate_extension_n and _d
  if (r.Ok()) state.sequenceExtensionSeen = true;
}

void ParsePictureCodingExtension(common::ByteReader& r, HeaderState& state) {
  r.SkipBits(16);  // f_code[0][0] .. f_code[1][1]
  r.SkipBits(2);   // intra_dc_precision
  state.pictureStructure = static_cast<std::uint8_t>(r.Bits(2));
  // top_field_first, frame_pred_frame_dct, concealment_motion_vectors,
  // q_scale_type, intra_vlc_format, alternate_scan, repeat_first_field,
  // chroma_420_type, progressive_frame
  r.SkipBits(9);
  if (r.Bits(1) != 0) {  // composite_display_flag
    r.SkipBits(1);       // v_axis
    r.SkipBits(3);       // field_sequence
    r.SkipBits(1);       // sub_carrier
    r.SkipBits(7);       // burst_amplitude
    r.SkipBits(8);       // sub_carrier_phase
  }
}

// Extensions other than the sequence and picture coding extensions carry
// nothing the extractor keeps (sequence display, quantiser matrix, copyright,
// picture display, the scalable extensions), so they are stepped over to the
// next start code like unknown ids. This includes temporal scalability (a
// sequence scalable extension in temporal mode, the picture temporal scalable
// extension): such pictures are treated like those of a single-layer stream,
// ordered by their coding type, and their captions are taken as usual.
void ParseExtensionsAndUserData(common::ByteReader& r, HeaderState& state,
                                CaptionAccumulator& accumulator) {
  r.NextStartCode();
  for (;;) {
    const std::uint32_t code = r.PeekBits(32);
    if (code == kExtensionStartCode) {
      r.SkipBits(32);
      const auto id = static_cast<std::uint32_t>(r.Bits(4));
      if (id == kSequenceExtension) {
        ParseSequenceExtension(r, state);
      } else if (id == kPictureCodingExtension) {
        ParsePictureCodingExtension(r, state);
      }
      r.NextStartCode();
    } else if (code == kUserDataStartCode) {
      r.SkipBits(32);
      ParseCcData(r, accumulator);
    } else {
      return;
    }
    if (!r.Ok()) return;
  }
}

}  // namespace

void ParseSequenceHeader(std::span<const std::uint8_t> region, HeaderState& state,
                         CaptionAccumulator& accumulator) {
  common::ByteReader r(region);
  r.SkipBits(32);                          // sequence_header_code
  r.SkipBits(12);                          // horizontal_size_value
  r.SkipBits(12);                          // vertical_size_value
  r.SkipBits(4);                           // aspect_ratio_information
  r.SkipBits(4);                           // frame_rate_code
  r.SkipBits(18);                          // bit_rate_value
  r.SkipBits(1);                           // marker_bit
  r.SkipBits(10);                          // vbv_buffer_size_value
  r.SkipBits(1);                           // constrained_parameters_flag
  if (r.Bits(1) != 0) r.SkipBits(64 * 8);  // load_intra_quantiser_matrix
  if (r.Bits(1) != 0) r.SkipBits(64 * 8);  // load_non_intra_quantiser_matrix
  ParseExtensionsAndUserData(r, state, accumulator);
  if (!state.sequenceExtensionSeen) state.pictureStructure = kFramePicture;
}

void ParseGroupHeader(std::span<const std::uint8_t> region, HeaderState& state,
                      CaptionAccumulator& accumulator) {
  common::ByteReader r(region);
  r.SkipBits(32);  // group_start_code
  r.SkipBits(25);  // time_code
  r.SkipBits(1);   // closed_gop
  r.SkipBits(1);   // broken_link
  ParseExtensionsAndUserData(r, state, accumulator);
}

bool ParsePictureHeader(std::span<const std::uint8_t> region, HeaderState& state,
                        CaptionAccumulator& accumulator) {
  HeaderState next = state;
  common::ByteReader r(region);
  r.SkipBits(32);  // picture_start_code
  r.SkipBits(10);  // temporal_reference (not used for ordering)
  next.pictureCodingType = static_cast<std::uint8_t>(r.Bits(3));
  r.SkipBits(16);  // vbv_delay
  if (next.pictureCodingType == kPictureP || next.pictureCodingType == kPictureB) {
    r.SkipBits(4);  // full_pel_forward_vector, forward_f_code
  }
  if (next.pictureCodingType == kPictureB) {
    r.SkipBits(4);  // full_pel_backward_vector, backward_f_code
  }
  while (r.Bits(1) != 0) {  // extra_bit_picture; past the end it reads 0
    r.SkipBits(8);          // extra_information_picture
  }
  ParseExtensionsAndUserData(r, next, accumulator);
  if (!r.Ok()) return false;
  if (next.pictureCodingType < kPictureI || next.pictureCodingType > kPictureB) return false;
  state = next;
  return true;
}

}  // namespace capsift
