// CBasePropertyPage: a property page without a window system. The page's
// "dialog" is a set of controls addressed by id: text fields (also read and
// written as integers) and list boxes. A viewer (a Qt dialog, a test) fills the
// fields, sends command messages, and asks the page to apply.
//
// Life of a page: SetObjects(1, &filter) -> OnConnect; Activate -> OnActivate
// (fill the controls); commands -> OnReceiveMessage (mark dirty with
// SetDirty); Apply -> OnApplyChanges when dirty; Deactivate -> OnDeactivate;
// SetObjects(0, nullptr) -> OnDisconnect.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using INT_PTR = std::intptr_t;

inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;

struct PROPPAGEINFO {
  std::u16string title;
  int dialogId = 0;
};

struct IPropertyPage : virtual IUnknown {
  static constexpr IID kIid = IID_IPropertyPage;
  // The objects the page edits; (0, null) lets them go.
  virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
  virtual HRESULT Activate(OAHWND parent, BOOL modal) = 0;
  virtual HRESULT Deactivate() = 0;
  virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
  virtual HRESULT IsPageDirty() = 0;  // S_OK dirty, S_FALSE clean
  virtual HRESULT Apply() = 0;
};

class CBasePropertyPage : public CUnknown, public IPropertyPage {
 public:
  CBasePropertyPage(const char* objectName, IUnknown* outer, int dialogId, std::u16string title);
  ~CBasePropertyPage() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT Activate(OAHWND parent, BOOL modal) override;
  HRESULT Deactivate() override;
  HRESULT GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT IsPageDirty() override;
  HRESULT Apply() override;

  // ---- the page's controls ----
  void SetDlgItemText(int id, std::u16string text);
  std::u16string GetDlgItemText(int id) const;
  void SetDlgItemInt(int id, int value);  // decimal text
  // The leading decimal number of the text; *ok false when there is none.
  int GetDlgItemInt(int id, bool* ok = nullptr) const;
  void AddListBoxString(int id, std::u16string text);
  std::vector<std::u16string> ListBoxStrings(int id) const;
  // Delivers a message to the page as its dialog would (WM_COMMAND with the
  // control id in wParam's low word).
  INT_PTR SendMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // The page's window while active (an identity for SetPageWindow-like calls), else 0.
  OAHWND PageWindow() const { return window_; }
  bool IsActive() const { return window_ != 0; }

 protected:
  virtual HRESULT OnConnect(IUnknown* object);
  virtual HRESULT OnDisconnect();
  virtual HRESULT OnActivate();
  virtual HRESULT OnDeactivate();
  virtual HRESULT OnApplyChanges();
  virtual INT_PTR OnReceiveMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void SetDirty() { dirty_ = true; }

  bool dirty_ = false;
  bool objectSet_ = false;

 private:
  int dialogId_;
  std::u16string title_;
  OAHWND window_ = 0;
  std::map<int, std::u16string> text_;
  std::map<int, std::vector<std::u16string>> lists_;
};
