#include "capsift/dll/CProperties.h"

#include <new>

#include "capsift/dll/CaptionFilterIds.h"

namespace capsift {

CUnknown* CProperties::CreateInstance(IUnknown* outer, HRESULT* hr) {
  auto* page = new (std::nothrow) CProperties(outer);
  if (page == nullptr) *hr = E_OUTOFMEMORY;
  return page;
}

CProperties::CProperties(IUnknown* outer)
    : CBasePropertyPage("CCParser property page", outer, kPropertiesDialogId, kPropertiesTitle) {}

HRESULT CProperties::OnConnect(IUnknown* object) {
  if (object == nullptr) return E_POINTER;
  ComPtr<ICCParserParams> parser;
  if (FAILED(object->QueryInterface(IID_PPV_ARGS(&parser))) || !parser) return E_NOINTERFACE;
  parser_ = parser;
  parser_->GetParams(params_);
  parser_->SetPageWindow(PageWindow(), this);
  return S_OK;
}

HRESULT CProperties::OnDisconnect() {
  if (!parser_) return E_UNEXPECTED;
  parser_->SetPageWindow(0, nullptr);  // the filter must not keep a page that goes
  parser_.Reset();
  return S_OK;
}

HRESULT CProperties::OnActivate() {
  SetDlgItemText(kNameTextId, kFilterName);
  SetDlgItemText(kInfoTextId, kInfoText);
  SetDlgItemInt(kParam1FieldId, params_[0]);
  SetDlgItemInt(kParam2FieldId, params_[1]);
  AddListBoxString(kListBoxId, u"String");
  tracking_ = true;
  return S_OK;
}

HRESULT CProperties::OnDeactivate() {
  tracking_ = false;
  ReadFields();
  return S_OK;
}

HRESULT CProperties::OnApplyChanges() {
  ReadFields();
  if (!parser_) return E_UNEXPECTED;
  return parser_->SetParams(params_[0], params_[1]);
}

INT_PTR CProperties::OnReceiveMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && tracking_) SetDirty();
  return CBasePropertyPage::OnReceiveMessage(message, wParam, lParam);
}

void CProperties::ReadFields() {
  params_[0] = GetDlgItemInt(kParam1FieldId);
  params_[1] = GetDlgItemInt(kParam2FieldId);
}

}  // namespace capsift
