#include "platform/media/PropertyPage.h"

#include <string>

CBasePropertyPage::CBasePropertyPage(const char* objectName, IUnknown*, int dialogId,
                                     std::u16string title)
    : CUnknown(objectName), dialogId_(dialogId), title_(std::move(title)) {}

CBasePropertyPage::~CBasePropertyPage() = default;

HRESULT CBasePropertyPage::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IPropertyPage) return GetInterface(static_cast<IPropertyPage*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBasePropertyPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count == 1) {
    if (objects == nullptr || objects[0] == nullptr) return E_POINTER;
    if (objectSet_) OnDisconnect();
    const HRESULT hr = OnConnect(objects[0]);
    objectSet_ = SUCCEEDED(hr);
    return hr;
  }
  if (count == 0) {
    if (!objectSet_) return S_OK;
    objectSet_ = false;
    return OnDisconnect();
  }
  return E_UNEXPECTED;
}

HRESULT CBasePropertyPage::Activate(OAHWND, BOOL) {
  if (window_ != 0) return E_UNEXPECTED;
  window_ = reinterpret_cast<OAHWND>(this);
  SendMessage(WM_INITDIALOG, 0, 0);
  return OnActivate();
}

HRESULT CBasePropertyPage::Deactivate() {
  if (window_ == 0) return E_UNEXPECTED;
  const HRESULT hr = OnDeactivate();
  window_ = 0;
  return hr;
}

HRESULT CBasePropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->title = title_;
  info->dialogId = dialogId_;
  return S_OK;
}

HRESULT CBasePropertyPage::IsPageDirty() {
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT CBasePropertyPage::Apply() {
  if (!objectSet_) return E_UNEXPECTED;
  if (!dirty_) return S_OK;
  const HRESULT hr = OnApplyChanges();
  if (SUCCEEDED(hr)) dirty_ = false;
  return hr;
}

void CBasePropertyPage::SetDlgItemText(int id, std::u16string text) {
  text_[id] = std::move(text);
}

std::u16string CBasePropertyPage::GetDlgItemText(int id) const {
  auto it = text_.find(id);
  return it == text_.end() ? std::u16string() : it->second;
}

void CBasePropertyPage::SetDlgItemInt(int id, int value) {
  std::u16string text;
  for (char c : std::to_string(value))
    text += static_cast<char16_t>(c);
  SetDlgItemText(id, std::move(text));
}

int CBasePropertyPage::GetDlgItemInt(int id, bool* ok) const {
  const std::u16string text = GetDlgItemText(id);
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  long long value = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    digits = true;
    if (value < 0x80000000LL) value = value * 10 + (text[i] - u'0');
  }
  if (ok) *ok = digits;
  if (value > 0x7FFFFFFFLL) value = 0x7FFFFFFFLL;
  return static_cast<int>(negative ? -value : value);
}

void CBasePropertyPage::AddListBoxString(int id, std::u16string text) {
  lists_[id].push_back(std::move(text));
}

std::vector<std::u16string> CBasePropertyPage::ListBoxStrings(int id) const {
  auto it = lists_.find(id);
  return it == lists_.end() ? std::vector<std::u16string>() : it->second;
}

INT_PTR CBasePropertyPage::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return OnReceiveMessage(message, wParam, lParam);
}

HRESULT CBasePropertyPage::OnConnect(IUnknown*) {
  return S_OK;
}
HRESULT CBasePropertyPage::OnDisconnect() {
  return S_OK;
}
HRESULT CBasePropertyPage::OnActivate() {
  return S_OK;
}
HRESULT CBasePropertyPage::OnDeactivate() {
  return S_OK;
}
HRESULT CBasePropertyPage::OnApplyChanges() {
  return S_OK;
}
INT_PTR CBasePropertyPage::OnReceiveMessage(UINT, WPARAM, LPARAM) {
  return 0;
}
