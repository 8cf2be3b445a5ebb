#include "platform/av/decoders/DecoderClasses.h"

#include "platform/av/decoders/Ac3Decoder.h"
#include "platform/av/decoders/Mpeg2VideoDecoder.h"
#include "platform/com/ClassFactory.h"
#include "platform/media/Devices.h"
#include "platform/media/FilterData.h"
#include "platform/media/MediaGuids.h"

namespace av {
namespace {

const AMOVIESETUP_MEDIATYPE kMpeg2VideoIn[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO}};
const AMOVIESETUP_MEDIATYPE kVideoOut[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_I420}};
const AMOVIESETUP_MEDIATYPE kAc3In[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_DOLBY_AC3}};
const AMOVIESETUP_MEDIATYPE kPcmOut[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};

const AMOVIESETUP_PIN kVideoPins[] = {
    {u"Video Input", FALSE, FALSE, FALSE, FALSE, nullptr, nullptr, 1, kMpeg2VideoIn},
    {u"Video Output", FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 1, kVideoOut},
};
const AMOVIESETUP_PIN kAudioPins[] = {
    {u"Audio Input", FALSE, FALSE, FALSE, FALSE, nullptr, nullptr, 1, kAc3In},
    {u"Audio Output", FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 1, kPcmOut},
};

const AMOVIESETUP_FILTER kVideoSetup = {&CLSID_Mpeg2VideoDecoder, kMpeg2VideoDecoderName,
                                        kDecoderMerit, 2, kVideoPins};
const AMOVIESETUP_FILTER kAudioSetup = {&CLSID_Ac3AudioDecoder, kAc3DecoderName, kDecoderMerit, 2,
                                        kAudioPins};

const CFactoryTemplate kClasses[] = {
    {kMpeg2VideoDecoderName, &CLSID_Mpeg2VideoDecoder, CMpeg2VideoDecoder::CreateInstance, nullptr,
     &kVideoSetup},
    {kAc3DecoderName, &CLSID_Ac3AudioDecoder, CAc3Decoder::CreateInstance, nullptr, &kAudioSetup},
};

std::u16string Instance(const AMOVIESETUP_FILTER& setup) {
  return media::Widen(com::FormatGuid(*setup.clsID));
}

void RegisterDevice(const AMOVIESETUP_FILTER& setup) {
  media::DeviceDescription device;
  device.category = CLSID_LegacyAmFilterCategory;
  device.instance = Instance(setup);
  device.friendlyName = setup.strName;
  device.clsid = *setup.clsID;
  const REGFILTER2 filter{1, setup.dwMerit, setup.nPins, setup.lpPin};
  device.filterData = media::EncodeFilterData(filter);
  media::RegisterDevice(std::move(device));
}

}  // namespace

void RegisterDecoders() {
  com::RegisterClasses(kClasses);
  RegisterDevice(kVideoSetup);
  RegisterDevice(kAudioSetup);
}

const AMOVIESETUP_FILTER& Mpeg2VideoDecoderSetup() {
  return kVideoSetup;
}

const AMOVIESETUP_FILTER& Ac3DecoderSetup() {
  return kAudioSetup;
}

std::u16string Mpeg2VideoDecoderDisplayName() {
  return media::DeviceDisplayName(CLSID_LegacyAmFilterCategory, Instance(kVideoSetup));
}

std::u16string Ac3DecoderDisplayName() {
  return media::DeviceDisplayName(CLSID_LegacyAmFilterCategory, Instance(kAudioSetup));
}

}  // namespace av
