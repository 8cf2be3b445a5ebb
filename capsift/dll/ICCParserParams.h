// The caption filter's parameter interface. It carries two integers to and
// from the property page; the filter keeps none of them (GetParams writes
// nothing, SetParams ignores its values) and only remembers the window and
// page that SetPageWindow names.
#pragma once

#include "capsift/dll/CaptionFilterIds.h"
#include "platform/media/Interfaces.h"

struct IPropertyPage;

struct ICCParserParams : virtual IUnknown {
  static constexpr IID kIid = capsift::IID_ICCParserParams;
  // `params` points to two integers; they are left as they are.
  virtual HRESULT GetParams(LONG* params) = 0;
  virtual HRESULT SetParams(LONG param1, LONG param2) = 0;
  virtual HRESULT SetPageWindow(OAHWND window, IPropertyPage* page) = 0;
};
