// The caption screen of one CEA-608 service, kept by zvbi's caption decoder:
// field-1 byte pairs go in as they come (pop-on, roll-up and paint-on all
// behave as the standard says; roll-up and paint-on text shows a word at a
// time, once a space or a control code ends it), and the screen comes out as
// text rows or as
// an ARGB32 picture of 34 x 15 character cells of 16 x 26 pixels, where the
// cells without a caption are fully transparent.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace av::line21 {

class CaptionScreen {
 public:
  static constexpr int kColumns = 34;
  static constexpr int kRows = 15;
  static constexpr int kCellWidth = 16;
  static constexpr int kCellHeight = 26;
  static constexpr int kWidth = kColumns * kCellWidth;
  static constexpr int kHeight = kRows * kCellHeight;
  static constexpr long kPictureBytes = static_cast<long>(kWidth) * kHeight * 4;

  CaptionScreen();
  ~CaptionScreen();
  CaptionScreen(const CaptionScreen&) = delete;
  CaptionScreen& operator=(const CaptionScreen&) = delete;

  // The service shown: zvbi's caption page 1-4 (CC1-CC4) or 5-8 (T1-T4).
  void SelectPage(int page);
  // Decodes the pairs (odd parity as carried). True when the shown screen
  // now differs from what the last Take gave.
  bool Feed(std::span<const std::uint8_t> pairs);
  // Forgets every caption (a new stream).
  void Reset();
  // Marks the screen as not yet taken, so the next Feed reports it.
  void Invalidate() { taken_ = false; }

  // The screen as last fetched: visible rows top to bottom, without blanks.
  std::vector<std::string> Rows() const;
  // Draws the screen as ARGB32 (B, G, R, A bytes), top row first, into
  // kPictureBytes bytes, and records it as taken.
  void Take(std::uint8_t* argb);
  bool Blank() const;

 private:
  struct Decoder;
  std::unique_ptr<Decoder> decoder_;
  bool taken_ = false;
};

}  // namespace av::line21
