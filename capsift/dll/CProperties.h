// The caption filter's property page ("About", dialog 101). Headless: the
// page's controls are those of the framework's page object; a viewer shows
// them. It shows the filter's two parameters in number fields 1005 and 1006
// and a list box (1013), and passes the fields to the filter on Apply.
//
// The filter supplies no parameter values (GetParams writes nothing), so the
// fields start at 0.
#pragma once

#include "capsift/dll/ICCParserParams.h"
#include "platform/com/ComPtr.h"
#include "platform/media/PropertyPage.h"

namespace capsift {

inline constexpr int kPropertiesDialogId = 101;
inline constexpr char16_t kPropertiesTitle[] = u"About";  // string 1015
inline constexpr int kNameTextId = 1001;
inline constexpr int kInfoTextId = 1002;
inline constexpr int kListBoxId = 1013;
inline constexpr int kParam1FieldId = 1005;
inline constexpr int kParam2FieldId = 1006;
inline constexpr char16_t kInfoText[] =
    u"Passes the closed captions of MPEG-2 video on as line 21 byte pairs.";

class CProperties : public CBasePropertyPage {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
  explicit CProperties(IUnknown* outer);

  // The two values the page holds (what the fields showed when last read).
  LONG Param1() const { return params_[0]; }
  LONG Param2() const { return params_[1]; }

 protected:
  HRESULT OnConnect(IUnknown* object) override;
  HRESULT OnDisconnect() override;
  HRESULT OnActivate() override;
  HRESULT OnDeactivate() override;
  HRESULT OnApplyChanges() override;
  INT_PTR OnReceiveMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ReadFields();

  ComPtr<ICCParserParams> parser_;
  LONG params_[2] = {0, 0};
  bool tracking_ = false;  // marks dirty on commands once activated
};

}  // namespace capsift
