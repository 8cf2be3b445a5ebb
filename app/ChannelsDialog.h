// The "Channels" dialog: the channel list as a tree of check boxes sorted by
// text, and the channel scan over the current graph (ScanLoop) with its
// progress, "Clear", "Add Channel", "Slow Scan", and the channel map and
// modulation the scan uses.
//
// Rules of its own, beyond the scan's: the map and modulation cannot change
// while a scan runs; "Close" reads the check boxes into the channels'
// `enabled` (only channels that have a tree item), "Cancel" does not; either
// ends a running scan and returns to viewing; a graph that records is never
// tuned by the dialog.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/Settings.h"
#include "platform/ui/Dialog.h"
#include "tuning/BandPlan.h"
#include "tuning/ChannelList.h"
#include "tuning/scan/ScanLoop.h"

namespace app {

// Control ids.
inline constexpr ui::ControlId kScanButton = 1070;
inline constexpr ui::ControlId kChannelTree = 1019;
inline constexpr ui::ControlId kPhysicalChannelValue = 1009;
inline constexpr ui::ControlId kSignalQualityValue = 1073;
inline constexpr ui::ControlId kScanStatus = 1074;
inline constexpr ui::ControlId kScanProgress = 1075;
inline constexpr ui::ControlId kClearButton = 1071;
inline constexpr ui::ControlId kAddChannelButton = 1072;
inline constexpr ui::ControlId kSlowScan = 1078;
inline constexpr ui::ControlId kChannelMapList = 1109;
inline constexpr ui::ControlId kModulationList = 1110;

// The current graph and the windows around the dialog.
class IChannelsHost {
 public:
  virtual ~IChannelsHost() = default;
  // The modes the tuner's demodulators offer (0: none known).
  virtual tuning::ModulationMask SupportedModulations() = 0;
  // The graph's scan state: the physical channel being scanned, 0 for none.
  virtual std::atomic<int>& ScanChannel() = 0;
  virtual std::uint8_t CurrentPhysicalChannel() = 0;
  virtual int SignalQuality() = 0;
  virtual bool SignalLocked() = 0;
  virtual bool Recording() = 0;
  // Where the graph reports its tunes (kNoWindow: nowhere).
  virtual void PublishWindow(ui::WindowId window) = 0;
  virtual void TunePhysical(std::uint8_t physical, tuning::ChannelMap map,
                            tuning::ModulationMask mode) = 0;
  virtual void TuneRequest(const tuning::ChannelLocator& locator) = 0;
  virtual void FlushSections() = 0;
  virtual void ClearSections() = 0;
  virtual void CollectChannels(std::uint8_t physical, tuning::ChannelMap map,
                               tuning::ModulationMask mode) = 0;
  virtual void WritePsipDump() = 0;
  // Runs another dialog (the "Edit Channel" form) over this one.
  virtual ui::DialogResult RunForm(const ui::DialogTemplate& layout, ui::DialogHandler& handler,
                                   ui::WindowId owner) = 0;
};

class ChannelsDialog final : public ui::DialogHandler, private tuning::IScanHost {
 public:
  ChannelsDialog(Settings& settings, tuning::ChannelList& channels, IChannelsHost& host);

  static ui::DialogTemplate Layout();

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;
  void OnMessage(ui::DialogControls& dialog, ui::Message message, ui::WParam wParam,
                 ui::LParam lParam) override;

 private:
  // tuning::IScanHost
  void TunePhysical(std::uint8_t physical) override;
  bool SignalLocked() override;
  void FlushSections() override;
  void ClearSections() override;
  void CollectChannels(std::uint8_t physical) override;
  void WritePsipDump() override;
  void ReturnToViewing() override;
  bool Recording() override;
  void PostScanChannel() override;
  void StartTimer(int id, std::chrono::milliseconds delay) override;
  void KillTimer(int id) override;
  void ShowChannel(std::uint8_t physical) override;
  void ShowStatus(const char* status, bool scanning) override;

  void FillBands(ui::DialogControls& dialog);
  void SetRange();
  // Gives the tree an item for each channel without one (on `physical` only
  // when given), at its place by text.
  void ShowNewChannels(std::optional<std::uint8_t> physical);
  void AddChannel(ui::DialogControls& dialog);
  void Clear();
  void Close(ui::DialogResult result);

  Settings& settings_;
  tuning::ChannelList& channels_;
  IChannelsHost& host_;
  tuning::ScanLoop loop_;
  ui::DialogControls* dialog_ = nullptr;
  std::vector<tuning::ModulationMask> modes_;
  std::vector<tuning::ChannelMap> maps_;
  tuning::ScanRangeResult range_;
  // The tree's items in its order: the channel and its text.
  struct Item {
    tuning::ChannelNode* node;
    std::string text;
  };
  std::vector<Item> items_;
  std::uintptr_t nextItem_ = 1;
  // The band of the running scan.
  tuning::ChannelMap scanMap_ = 0;
  tuning::ModulationMask scanMode_ = 0;
};

}  // namespace app
