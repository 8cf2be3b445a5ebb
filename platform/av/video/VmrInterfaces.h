// The control interfaces of the video renderer: rendering mode and streams
// (IVMRFilterConfig9), the windowless control bound to a video window
// (IVMRWindowlessControl9), the mixer's stream rectangles (IVMRMixerControl9),
// and the windowed mode's own window (IVideoWindow) and picture rectangles
// (IBasicVideo). Window handles name video surfaces (SurfaceTable.h); colours
// are 0x00BBGGRR.
#pragma once

#include "platform/media/Formats.h"
#include "platform/media/Interfaces.h"

using COLORREF = DWORD;

inline constexpr CLSID CLSID_VideoMixingRenderer9 =
    com::GuidOf("51B4ABF3-748F-4E3B-A276-C828330E926A");

inline constexpr IID IID_IVMRFilterConfig9 = com::GuidOf("5A804648-4F66-4867-9C43-4F5C822CF1B8");
inline constexpr IID IID_IVMRWindowlessControl9 =
    com::GuidOf("8F537D09-F85E-4414-B23B-502E54C79927");
inline constexpr IID IID_IVMRMixerControl9 = com::GuidOf("1A777EAA-47C8-4930-B2C9-8FEE1C1B0F3B");
inline constexpr IID IID_IVideoWindow = com::GuidOf("56A868B4-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IBasicVideo = com::GuidOf("56A868B5-0AD4-11CE-B03A-0020AF0BA770");

enum VMR9Mode : DWORD {
  VMR9Mode_Windowed = 0x1,
  VMR9Mode_Windowless = 0x2,
  VMR9Mode_Renderless = 0x4,
};

enum VMR9AspectRatioMode : DWORD {
  VMR9ARMode_None = 0,
  VMR9ARMode_LetterBox = 1,
};

inline constexpr DWORD RenderPrefs9_DoNotRenderBorder = 0x1;

struct VMR9NormalizedRect {
  float left = 0;
  float top = 0;
  float right = 1;
  float bottom = 1;
};

struct IVMRFilterConfig9 : virtual IUnknown {
  static constexpr IID kIid = IID_IVMRFilterConfig9;
  // Before the first connection only; 2 adds the input "VMR Input1".
  virtual HRESULT SetNumberOfStreams(DWORD streams) = 0;
  virtual HRESULT GetNumberOfStreams(DWORD* streams) = 0;
  virtual HRESULT SetRenderingPrefs(DWORD prefs) = 0;
  virtual HRESULT GetRenderingPrefs(DWORD* prefs) = 0;
  virtual HRESULT SetRenderingMode(DWORD mode) = 0;
  virtual HRESULT GetRenderingMode(DWORD* mode) = 0;
};

struct IVMRWindowlessControl9 : virtual IUnknown {
  static constexpr IID kIid = IID_IVMRWindowlessControl9;
  virtual HRESULT GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectX, LONG* aspectY) = 0;
  // Either rectangle may be null (kept as it is).
  virtual HRESULT SetVideoPosition(const RECT* source, const RECT* destination) = 0;
  virtual HRESULT GetVideoPosition(RECT* source, RECT* destination) = 0;
  virtual HRESULT GetAspectRatioMode(DWORD* mode) = 0;
  virtual HRESULT SetAspectRatioMode(DWORD mode) = 0;
  virtual HRESULT SetVideoClippingWindow(OAHWND window) = 0;
  virtual HRESULT RepaintVideo(OAHWND window, LONG_PTR deviceContext) = 0;
  virtual HRESULT DisplayModeChanged() = 0;
  virtual HRESULT SetBorderColor(COLORREF colour) = 0;
  virtual HRESULT GetBorderColor(COLORREF* colour) = 0;
};

struct IVMRMixerControl9 : virtual IUnknown {
  static constexpr IID kIid = IID_IVMRMixerControl9;
  virtual HRESULT SetOutputRect(DWORD stream, const VMR9NormalizedRect* rect) = 0;
  virtual HRESULT GetOutputRect(DWORD stream, VMR9NormalizedRect* rect) = 0;
  virtual HRESULT SetMixingPrefs(DWORD prefs) = 0;
  virtual HRESULT GetMixingPrefs(DWORD* prefs) = 0;
};

struct IVideoWindow : virtual IUnknown {
  static constexpr IID kIid = IID_IVideoWindow;
  virtual HRESULT put_Owner(OAHWND owner) = 0;
  virtual HRESULT get_Owner(OAHWND* owner) = 0;
  virtual HRESULT put_MessageDrain(OAHWND drain) = 0;
  virtual HRESULT get_MessageDrain(OAHWND* drain) = 0;
  virtual HRESULT put_WindowStyle(LONG style) = 0;
  virtual HRESULT get_WindowStyle(LONG* style) = 0;
  virtual HRESULT put_BorderColor(LONG colour) = 0;
  virtual HRESULT get_BorderColor(LONG* colour) = 0;
  virtual HRESULT put_Visible(LONG visible) = 0;
  virtual HRESULT get_Visible(LONG* visible) = 0;
  virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
  virtual HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
};

struct IBasicVideo : virtual IUnknown {
  static constexpr IID kIid = IID_IBasicVideo;
  virtual HRESULT get_AvgTimePerFrame(REFTIME* seconds) = 0;
  virtual HRESULT GetVideoSize(LONG* width, LONG* height) = 0;
  virtual HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) = 0;
  virtual HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
  virtual HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) = 0;
  virtual HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
};
