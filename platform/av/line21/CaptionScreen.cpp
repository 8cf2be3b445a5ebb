#include "platform/av/line21/CaptionScreen.h"

#include <libzvbi.h>

#include <algorithm>
#include <cstring>

#include "common/Utf16.h"

namespace av::line21 {
namespace {

// zvbi checks that its input arrives about once a frame and treats longer
// gaps as a channel change, after which it forgets its captions. Pairs come
// here only from frames that carry captions, so every pair is given a frame
// of its own on a clock of 29.97 frames a second.
constexpr double kFrameSeconds = 1001.0 / 30000.0;
constexpr int kCaptionLine = 21;

bool SameCells(const vbi_page& page, const std::vector<vbi_char>& cells) {
  return cells.size() == static_cast<std::size_t>(page.rows * page.columns) &&
         std::memcmp(page.text, cells.data(), cells.size() * sizeof(vbi_char)) == 0;
}

}  // namespace

struct CaptionScreen::Decoder {
  vbi_decoder* vbi = vbi_decoder_new();
  int page = 1;
  double time = 0;
  bool fetched = false;
  vbi_page shown{};
  std::vector<vbi_char> takenCells;  // empty: a blank screen was taken

  ~Decoder() {
    if (fetched) vbi_unref_page(&shown);
    if (vbi != nullptr) vbi_decoder_delete(vbi);
  }

  void Fetch() {
    if (fetched) vbi_unref_page(&shown);
    fetched = vbi != nullptr && vbi_fetch_cc_page(vbi, &shown, page, TRUE) != 0;
  }

  bool CellShown(int row, int column) const {
    return fetched && shown.text[row * shown.columns + column].opacity != VBI_TRANSPARENT_SPACE;
  }

  bool Blank() const {
    if (!fetched) return true;
    for (int row = 0; row < shown.rows; ++row) {
      for (int column = 0; column < shown.columns; ++column) {
        if (CellShown(row, column)) return false;
      }
    }
    return true;
  }

  bool SameAsTaken() const {
    return takenCells.empty() ? Blank() : fetched && SameCells(shown, takenCells);
  }
};

CaptionScreen::CaptionScreen() : decoder_(std::make_unique<Decoder>()) {
  taken_ = true;
}

CaptionScreen::~CaptionScreen() = default;

void CaptionScreen::SelectPage(int page) {
  if (decoder_->page == page) return;
  decoder_->page = page;
  decoder_->Fetch();
}

bool CaptionScreen::Feed(std::span<const std::uint8_t> pairs) {
  Decoder& d = *decoder_;
  if (d.vbi == nullptr) return false;
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
    vbi_sliced line{};
    line.id = VBI_SLICED_CAPTION_525;
    line.line = kCaptionLine;
    line.data[0] = pairs[i];
    line.data[1] = pairs[i + 1];
    d.time += kFrameSeconds;
    vbi_decode(d.vbi, &line, 1, d.time);
  }
  // Read after every sample: what zvbi shows changes without an event too
  // (a caption flipped on screen, roll-up and paint-on words once ended).
  d.Fetch();
  return !taken_ || !d.SameAsTaken();
}

void CaptionScreen::Reset() {
  Decoder& d = *decoder_;
  if (d.vbi == nullptr) return;
  // A new decoder: zvbi's own channel-switch reset takes effect only with
  // the next pairs.
  if (d.fetched) vbi_unref_page(&d.shown);
  d.fetched = false;
  vbi_decoder_delete(d.vbi);
  d.vbi = vbi_decoder_new();
  d.time = 0;
  d.Fetch();
}

std::vector<std::string> CaptionScreen::Rows() const {
  const Decoder& d = *decoder_;
  std::vector<std::string> rows;
  if (!d.fetched) return rows;
  for (int row = 0; row < d.shown.rows; ++row) {
    std::u16string text;
    for (int column = 0; column < d.shown.columns; ++column) {
      const vbi_char& cell = d.shown.text[row * d.shown.columns + column];
      text += d.CellShown(row, column) ? static_cast<char16_t>(cell.unicode) : u' ';
    }
    const auto first = text.find_first_not_of(u' ');
    if (first == std::u16string::npos) continue;
    text = text.substr(first, text.find_last_not_of(u' ') - first + 1);
    rows.push_back(common::ToUtf8(text));
  }
  return rows;
}

bool CaptionScreen::Blank() const {
  return decoder_->Blank();
}

void CaptionScreen::Take(std::uint8_t* argb) {
  Decoder& d = *decoder_;
  std::memset(argb, 0, kPictureBytes);
  taken_ = true;
  if (d.Blank()) {
    d.takenCells.clear();
    return;
  }
  d.takenCells.assign(d.shown.text, d.shown.text + d.shown.rows * d.shown.columns);
  if (d.shown.rows != kRows || d.shown.columns != kColumns) return;
  // zvbi draws R, G, B, A bytes, every cell opaque; the picture wants B, G,
  // R, A with the cells that show nothing left transparent.
  std::vector<vbi_rgba> canvas(static_cast<std::size_t>(kWidth) * kHeight);
  vbi_draw_cc_page(&d.shown, VBI_PIXFMT_RGBA32_LE, canvas.data());
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (!d.CellShown(y / kCellHeight, x / kCellWidth)) continue;
      const vbi_rgba pixel = canvas[static_cast<std::size_t>(y) * kWidth + x];
      std::uint8_t* out = argb + (static_cast<std::size_t>(y) * kWidth + x) * 4;
      out[0] = static_cast<std::uint8_t>(pixel >> 16);
      out[1] = static_cast<std::uint8_t>(pixel >> 8);
      out[2] = static_cast<std::uint8_t>(pixel);
      out[3] = 0xFF;
    }
  }
}

}  // namespace av::line21
