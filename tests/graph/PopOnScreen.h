// Follows pop-on captions through Cea608Text's rendering of caption pairs:
// a preamble address code ("{R14 white}", "{R15 C4}") picks the row that
// the text after it fills in off-screen memory, "{ENM}" erases that memory
// and "{EOC}" flips it on screen. What was flipped on screen, caption by
// caption, is what a viewer saw.
#pragma once

#include <cctype>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace graph::test {

class PopOnScreen {
 public:
  // The text of one caption unit, as Cea608Text::Decode gives it.
  void Feed(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '{') {
        if (row_ >= 0) offScreen_[row_] += text[i];
        continue;
      }
      const std::size_t end = text.find('}', i);
      if (end == std::string::npos) return;
      Control(text.substr(i + 1, end - i - 1));
      i = end;
    }
  }

  // Every caption shown, each as its rows from top to bottom.
  const std::vector<std::vector<std::string>>& Shown() const { return shown_; }

 private:
  void Control(const std::string& name) {
    if (name == "ENM") {
      offScreen_.clear();
    } else if (name == "EOC") {
      std::vector<std::string> rows;
      for (const auto& [row, text] : offScreen_)
        rows.push_back(text);
      shown_.push_back(std::move(rows));
      std::swap(onScreen_, offScreen_);
    } else if (name.size() > 1 && name[0] == 'R' &&
               std::isdigit(static_cast<unsigned char>(name[1]))) {
      row_ = std::stoi(name.substr(1));
      offScreen_.try_emplace(row_);
    }
  }

  std::map<int, std::string> offScreen_;  // by row
  std::map<int, std::string> onScreen_;
  int row_ = -1;
  std::vector<std::vector<std::string>> shown_;
};

}  // namespace graph::test
