// CLine21Decoder2 ("Line 21 Decoder 2"): turns CEA-608 caption byte pairs
// (MEDIATYPE_AUXLine21Data / MEDIASUBTYPE_Line21_BytePair, as the caption
// filter delivers them) into caption pictures for a video renderer's second
// input: ARGB32, 544 x 390, top row first, transparent where no caption is.
//
// Each input sample's pairs go through the caption screen of the current
// service (CC1 unless set otherwise). A picture is sent only when the screen
// changed, with the time of the sample that changed it; a discontinuity or a
// flush starts a blank screen. With the service state off (the default, as
// the player sets it from the user's choice) nothing is sent, except one
// blank picture that takes a shown caption away; turned on, the current
// screen is sent with the next pairs.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/av/line21/CaptionScreen.h"
#include "platform/av/line21/Line21Interfaces.h"
#include "platform/media/Transform.h"

namespace av::line21 {

inline constexpr char16_t kLine21DecoderName[] = u"Line 21 Decoder 2";

// The type of the caption pictures.
CMediaType CaptionPictureType();

class CLine21Decoder2 : public CTransformFilter, public IAMLine21Decoder, public ILine21Pages {
 public:
  CLine21Decoder2();

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT CheckInputType(const CMediaType* mt) override;
  HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndFlush() override;

  // IAMLine21Decoder
  HRESULT GetDecoderLevel(AM_LINE21_CCLEVEL* level) override;
  HRESULT GetCurrentService(AM_LINE21_CCSERVICE* service) override;
  HRESULT SetCurrentService(AM_LINE21_CCSERVICE service) override;
  HRESULT GetServiceState(AM_LINE21_CCSTATE* state) override;
  HRESULT SetServiceState(AM_LINE21_CCSTATE state) override;

  // ILine21Pages
  HRESULT SetPageObserver(std::function<void(const Line21Page&)> observer) override;

 private:
  HRESULT SendPicture(IMediaSample* input, const Line21Page& page);

  std::mutex mutex_;  // the settings and the screen, between the UI and streaming threads
  AM_LINE21_CCSERVICE service_ = AM_L21_CCSERVICE_Caption1;
  AM_LINE21_CCSTATE state_ = AM_L21_CCSTATE_Off;
  bool captionShown_ = false;  // the last picture sent was not blank
  std::function<void(const Line21Page&)> observer_;
  CaptionScreen screen_;
  std::vector<std::uint8_t> picture_;
};

}  // namespace av::line21
