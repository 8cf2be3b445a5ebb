// CCaptionInputPin ("VMR Input1"): the renderer's second input. It takes
// ARGB32 pictures (VideoFormats.h) and lays each over the video as soon as it
// arrives; the caption stream's end or a flush leaves the last picture shown.
#pragma once

#include "platform/media/InputPin.h"

namespace av::video {

class CVideoMixingRenderer9;

class CCaptionInputPin : public CBaseInputPin {
 public:
  CCaptionInputPin(CVideoMixingRenderer9* renderer, HRESULT* hr);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;

  long PicturesReceived() const { return pictures_; }

 private:
  CVideoMixingRenderer9* renderer_;
  long width_ = 0;
  long height_ = 0;
  bool bottomUp_ = false;
  long pictures_ = 0;
};

}  // namespace av::video
