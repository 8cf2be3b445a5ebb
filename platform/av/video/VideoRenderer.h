// CVideoMixingRenderer9 ("Video Mixing Renderer 9"): draws uncompressed video
// (VideoFormats.h) on a video surface at each picture's time on the graph's
// clock.
//
// Rendering mode (IVMRFilterConfig9, before the first connection):
// - windowed (the default): the renderer draws in a window of its own, made
//   by the installed window maker when an owner is given (a headless frame
//   sink without one); IVideoWindow places it, IBasicVideo sets the source
//   and destination rectangles inside it;
// - windowless: the renderer draws on the video window given by
//   SetVideoClippingWindow; IVMRWindowlessControl9 sets the rectangles, the
//   aspect ratio mode (none, or letterbox inside the destination) and the
//   border colour, and answers the native size.
// SetNumberOfStreams(2) adds the input "VMR Input1" beside "VMR Input0": the
// caption picture (ARGB32) laid over the video; IVMRMixerControl9 answers
// then. Other modes (renderless) and more than two streams are refused.
//
// The native size and picture aspect are those of the connection type, and a
// picture that brings a new type changes them from that picture on; a change
// of size or aspect sends EC_VIDEO_SIZE_CHANGED with the new size (width in
// the low 16 bits, height in the high). The first picture that arrives while
// paused is shown at once (a still), and not a second time at its time.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/av/video/VideoFormats.h"
#include "platform/av/video/VideoSurface.h"
#include "platform/av/video/VmrInterfaces.h"
#include "platform/media/Renderer.h"

namespace av::video {

class CCaptionInputPin;

class CVideoMixingRenderer9 : public CBaseRenderer,
                              public IVMRFilterConfig9,
                              public IVMRWindowlessControl9,
                              public IVMRMixerControl9,
                              public IVideoWindow,
                              public IBasicVideo {
 public:
  static constexpr DWORD kMaxStreams = 2;

  CVideoMixingRenderer9();
  ~CVideoMixingRenderer9() override;

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

  // CBaseRenderer
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  void OnReceiveFirstSample(IMediaSample* sample) override;
  HRESULT Receive(IMediaSample* sample) override;

  // IVMRFilterConfig9
  HRESULT SetNumberOfStreams(DWORD streams) override;
  HRESULT GetNumberOfStreams(DWORD* streams) override;
  HRESULT SetRenderingPrefs(DWORD prefs) override;
  HRESULT GetRenderingPrefs(DWORD* prefs) override;
  HRESULT SetRenderingMode(DWORD mode) override;
  HRESULT GetRenderingMode(DWORD* mode) override;
  // IVMRWindowlessControl9
  HRESULT GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectX, LONG* aspectY) override;
  HRESULT SetVideoPosition(const RECT* source, const RECT* destination) override;
  HRESULT GetVideoPosition(RECT* source, RECT* destination) override;
  HRESULT GetAspectRatioMode(DWORD* mode) override;
  HRESULT SetAspectRatioMode(DWORD mode) override;
  HRESULT SetVideoClippingWindow(OAHWND window) override;
  HRESULT RepaintVideo(OAHWND window, LONG_PTR deviceContext) override;
  HRESULT DisplayModeChanged() override;
  HRESULT SetBorderColor(COLORREF colour) override;
  HRESULT GetBorderColor(COLORREF* colour) override;
  // IVMRMixerControl9
  HRESULT SetOutputRect(DWORD stream, const VMR9NormalizedRect* rect) override;
  HRESULT GetOutputRect(DWORD stream, VMR9NormalizedRect* rect) override;
  HRESULT SetMixingPrefs(DWORD prefs) override;
  HRESULT GetMixingPrefs(DWORD* prefs) override;
  // IVideoWindow
  HRESULT put_Owner(OAHWND owner) override;
  HRESULT get_Owner(OAHWND* owner) override;
  HRESULT put_MessageDrain(OAHWND drain) override;
  HRESULT get_MessageDrain(OAHWND* drain) override;
  HRESULT put_WindowStyle(LONG style) override;
  HRESULT get_WindowStyle(LONG* style) override;
  HRESULT put_BorderColor(LONG colour) override;
  HRESULT get_BorderColor(LONG* colour) override;
  HRESULT put_Visible(LONG visible) override;
  HRESULT get_Visible(LONG* visible) override;
  HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
  HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
  // IBasicVideo
  HRESULT get_AvgTimePerFrame(REFTIME* seconds) override;
  HRESULT GetVideoSize(LONG* width, LONG* height) override;
  HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) override;
  HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
  HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) override;
  HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;

  // The surface drawn on now (the video window, or the own window), if any.
  std::shared_ptr<VideoSurface> Surface();
  // Pictures presented to a surface, and pictures dropped for a short
  // buffer or a type that states no picture.
  long FramesDrawn();
  long FramesDropped();

 private:
  friend class CCaptionInputPin;

  // Takes a new picture format; sends the size event when it changes.
  void AdoptFormat(const AM_MEDIA_TYPE& mt);
  void Draw(IMediaSample* sample);
  // Sends the placement to the surface (with the lock held).
  void UpdatePlacementLocked();
  std::shared_ptr<VideoSurface> SurfaceLocked();
  void PresentCaption(const CaptionPicture& caption);
  bool Windowless() const { return mode_ == VMR9Mode_Windowless; }

  std::unique_ptr<CCaptionInputPin> captionPin_;

  std::mutex mutex_;  // everything below
  DWORD mode_ = VMR9Mode_Windowed;
  DWORD streams_ = 1;
  bool streamsSet_ = false;
  DWORD renderingPrefs_ = 0;
  DWORD mixingPrefs_ = 0;
  VMR9NormalizedRect outputRects_[kMaxStreams];
  DWORD aspectMode_ = VMR9ARMode_None;
  COLORREF borderColour_ = 0;
  std::optional<NativeVideoFormat> format_;
  common::VideoRect source_;       // empty: the whole picture
  common::VideoRect destination_;  // empty: the whole surface
  std::shared_ptr<VideoSurface> clippingWindow_;
  std::shared_ptr<VideoSurface> ownWindow_;
  OAHWND owner_ = 0;
  OAHWND drain_ = 0;
  long style_ = 0;
  long visible_ = 0;
  common::VideoRect windowPosition_;
  IMediaSample* still_ = nullptr;  // the sample in Receive shown as a still
  long drawn_ = 0;
  long dropped_ = 0;
};

}  // namespace av::video
