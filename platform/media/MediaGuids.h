// Identifiers of the media-graph framework: major types, subtypes and format
// types of media types, device categories, framework classes and time formats,
// with the values the platform uses for them.
#pragma once

#include "platform/com/GuidLiteral.h"

// Major types.
inline constexpr GUID MEDIATYPE_Video = com::GuidOf("73646976-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIATYPE_Audio = com::GuidOf("73647561-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIATYPE_Stream = com::GuidOf("E436EB83-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIATYPE_MPEG2_SECTIONS =
    com::GuidOf("455F176C-4B06-47CE-9AEF-8CAEF73DF7B5");
inline constexpr GUID MEDIATYPE_AUXLine21Data = com::GuidOf("670AEA80-3A82-11D0-B79B-00AA003767A7");
inline constexpr GUID MEDIATYPE_MPEG2_PES = com::GuidOf("E06D8020-DB46-11CF-B4D1-00805F6CBBEA");
inline constexpr GUID KSDATAFORMAT_TYPE_BDA_ANTENNA =
    com::GuidOf("71985F41-1CA1-11D3-9CC8-00C04F7971E0");
inline constexpr GUID KSDATAFORMAT_TYPE_MPEG2_TRANSPORT =
    com::GuidOf("E06D8023-DB46-11CF-B4D1-00805F6CBBEA");

// Subtypes.
inline constexpr GUID MEDIASUBTYPE_None = com::GuidOf("E436EB8E-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_MPEG2_VIDEO =
    com::GuidOf("E06D8026-DB46-11CF-B4D1-00805F6CBBEA");
inline constexpr GUID MEDIASUBTYPE_DOLBY_AC3 = com::GuidOf("E06D802C-DB46-11CF-B4D1-00805F6CBBEA");
inline constexpr GUID MEDIASUBTYPE_MPEG2_AUDIO =
    com::GuidOf("E06D802B-DB46-11CF-B4D1-00805F6CBBEA");
inline constexpr GUID MEDIASUBTYPE_MPEG2_TRANSPORT =
    com::GuidOf("E06D8023-DB46-11CF-B4D1-00805F6CBBEA");
inline constexpr GUID MEDIASUBTYPE_MPEG2_PROGRAM =
    com::GuidOf("E06D8022-DB46-11CF-B4D1-00805F6CBBEA");
inline constexpr GUID KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT =
    com::GuidOf("F4AEB342-0329-4FDD-A8FD-4AFF4926C978");
inline constexpr GUID MEDIASUBTYPE_H264 = com::GuidOf("34363248-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIASUBTYPE_Line21_BytePair =
    com::GuidOf("6E8D4A22-310C-11D0-B79A-00AA003767A7");
inline constexpr GUID MEDIASUBTYPE_PCM = com::GuidOf("00000001-0000-0010-8000-00AA00389B71");

// Format types.
inline constexpr GUID FORMAT_None = com::GuidOf("0F6417D6-C318-11D0-A43F-00A0C9223196");
inline constexpr GUID FORMAT_VideoInfo = com::GuidOf("05589F80-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_VideoInfo2 = com::GuidOf("F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA");
inline constexpr GUID FORMAT_WaveFormatEx = com::GuidOf("05589F81-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_MPEG2Video = com::GuidOf("E06D80E3-DB46-11CF-B4D1-00805F6CBBEA");

// Time formats of IMediaSeeking.
inline constexpr GUID TIME_FORMAT_NONE = GUID_NULL;
inline constexpr GUID TIME_FORMAT_MEDIA_TIME = com::GuidOf("7B785574-8C82-11CF-BC0C-00AA00AC74F6");

// Device categories of the system device enumerator.
inline constexpr GUID KSCATEGORY_BDA_NETWORK_TUNER =
    com::GuidOf("71985F48-1CA1-11D3-9CC8-00C04F7971E0");
inline constexpr GUID KSCATEGORY_BDA_RECEIVER_COMPONENT =
    com::GuidOf("FD0A5AF4-B41D-11D2-9C95-00C04F7971E0");
inline constexpr GUID CLSID_LegacyAmFilterCategory =
    com::GuidOf("083863F1-70DE-11D0-BD40-00A0C911CE86");
inline constexpr GUID CLSID_AudioRendererCategory =
    com::GuidOf("E0F158E1-CB04-11D0-BD4E-00A0C911CE86");

// Framework classes.
inline constexpr CLSID CLSID_FilterGraph = com::GuidOf("E436EBB3-524F-11CE-9F53-0020AF0BA770");
inline constexpr CLSID CLSID_SystemClock = com::GuidOf("E436EBB1-524F-11CE-9F53-0020AF0BA770");
inline constexpr CLSID CLSID_MemoryAllocator = com::GuidOf("1E651CC0-B199-11D0-8212-00C04FC32C45");
inline constexpr CLSID CLSID_SystemDeviceEnum = com::GuidOf("62BE5D10-60EB-11D0-BD3B-00A0C911CE86");
inline constexpr CLSID CLSID_FilterMapper2 = com::GuidOf("CDA42200-BD88-11D0-BD4E-00A0C911CE86");
