// The tuner device interfaces of the broadcast driver model: the topology of a
// tuner filter (node types, control nodes), the RF tuner node's frequency
// filter, LNB values and signal statistics, the demodulator nodes, the
// PID-filter node, the device's change transaction, and the network provider
// that tuner filters register with. Every interface derives virtually from
// IUnknown, as in platform/media.
#pragma once

#include "platform/com/Guid.h"
#include "platform/com/GuidLiteral.h"
#include "platform/com/HResult.h"
#include "platform/com/Types.h"
#include "platform/com/Unknown.h"

using BOOLEAN = std::uint8_t;

// ---- node types (BDANODE_DESCRIPTOR::guidFunction) ------------------------------

inline constexpr GUID KSNODE_BDA_RF_TUNER = com::GuidOf("71985F4C-1CA1-11D3-9CC8-00C04F7971E0");
inline constexpr GUID KSNODE_BDA_QAM_DEMODULATOR =
    com::GuidOf("71985F4D-1CA1-11D3-9CC8-00C04F7971E0");
inline constexpr GUID KSNODE_BDA_8VSB_DEMODULATOR =
    com::GuidOf("71985F4F-1CA1-11D3-9CC8-00C04F7971E0");
inline constexpr GUID KSNODE_BDA_COFDM_DEMODULATOR =
    com::GuidOf("2DAC6E05-EDBE-4B9C-B387-1B6FAD7D6495");
inline constexpr GUID KSNODE_BDA_PID_FILTER = com::GuidOf("F5412789-B0A0-44E1-AE4F-EE999B1B7FBE");

// Network type a generic provider answers GetNetworkType with (none known).
inline constexpr GUID BDA_NETWORK_TYPE_NONE = GUID_NULL;

// ---- interface ids --------------------------------------------------------------

inline constexpr IID IID_IBDA_Topology = com::GuidOf("79B56888-7FEA-4690-B45D-38FD3C7849BE");
inline constexpr IID IID_IBDA_DeviceControl = com::GuidOf("FD0A5AF3-B41D-11D2-9C95-00C04F7971E0");
inline constexpr IID IID_IBDA_FrequencyFilter = com::GuidOf("71985F47-1CA1-11D3-9CC8-00C04F7971E0");
inline constexpr IID IID_IBDA_LNBInfo = com::GuidOf("992CF102-49F9-4719-A664-C4F23E2408F4");
inline constexpr IID IID_IBDA_SignalStatistics =
    com::GuidOf("1347D106-CF3A-428A-A5CB-AC0D9A2A4338");
inline constexpr IID IID_IBDA_DigitalDemodulator =
    com::GuidOf("EF30F379-985B-4D10-B640-A79D5E04E1E0");
inline constexpr IID IID_IBDA_AutoDemodulate = com::GuidOf("DDF15B12-BD25-11D2-9CA0-00C04F7971E0");
inline constexpr IID IID_IBDA_NetworkProvider = com::GuidOf("FD501041-8EBE-11CE-8183-00AA00577DA2");
// The PID-filter node's mode (own interface of this platform layer; the node
// maps its PIDs through IMPEG2PIDMap).
inline constexpr IID IID_IBDA_PidFilter = com::GuidOf("5B6C2E71-0D4A-4F1B-9C3E-7A81D2F4B6C9");
// The tuner filter's count of tunes (own interface of this platform layer).
inline constexpr IID IID_IBDA_TuneCount = com::GuidOf("C3D1A2E4-6B7F-4E58-9A0C-2F4D8E6B1A37");

// ---- values ---------------------------------------------------------------------

enum ModulationType : LONG {
  BDA_MOD_NOT_SET = -1,
  BDA_MOD_NOT_DEFINED = 0,
  BDA_MOD_16QAM = 1,
  BDA_MOD_32QAM = 2,
  BDA_MOD_64QAM = 3,
  BDA_MOD_128QAM = 7,
  BDA_MOD_256QAM = 11,
  BDA_MOD_QPSK = 20,
  BDA_MOD_BPSK = 21,
  BDA_MOD_8VSB = 23,
  BDA_MOD_16VSB = 24,
};

enum FECMethod : LONG {
  BDA_FEC_METHOD_NOT_SET = -1,
  BDA_FEC_METHOD_NOT_DEFINED = 0,
  BDA_FEC_VITERBI = 1,
  BDA_FEC_RS_204_188 = 2,
};

enum BinaryConvolutionCodeRate : LONG {
  BDA_BCC_RATE_NOT_SET = -1,
  BDA_BCC_RATE_NOT_DEFINED = 0,
  BDA_BCC_RATE_1_2 = 1,
  BDA_BCC_RATE_2_3 = 2,
  BDA_BCC_RATE_3_4 = 3,
  BDA_BCC_RATE_5_6 = 5,
  BDA_BCC_RATE_7_8 = 6,
};

enum SpectralInversion : LONG {
  BDA_SPECTRAL_INVERSION_NOT_SET = -1,
  BDA_SPECTRAL_INVERSION_NOT_DEFINED = 0,
  BDA_SPECTRAL_INVERSION_AUTOMATIC = 1,
  BDA_SPECTRAL_INVERSION_NORMAL = 2,
  BDA_SPECTRAL_INVERSION_INVERTED = 3,
};

// "Not set" for ULONG values (bandwidth, LNB frequencies, symbol rate).
inline constexpr ULONG BDA_ULONG_NOT_SET = 0xFFFFFFFF;

// IBDA_PidFilter modes: 0 passes every PID; -1 passes only the mapped PIDs.
inline constexpr LONG kPidFilterPassAll = 0;
inline constexpr LONG kPidFilterMappedOnly = -1;

// BDA_CHANGE_STATE of IBDA_DeviceControl::GetChangeState.
inline constexpr ULONG BDA_CHANGES_COMPLETE = 0;
inline constexpr ULONG BDA_CHANGES_PENDING = 1;

inline constexpr HRESULT BDA_E_NOT_FOUND = MakeHResult(0x80070490);  // no such node or pin

struct BDANODE_DESCRIPTOR {
  ULONG ulBdaNodeType = 0;        // the node's number within the filter
  GUID guidFunction = GUID_NULL;  // KSNODE_BDA_*
  GUID guidName = GUID_NULL;
};

// ---- interfaces -----------------------------------------------------------------

struct IBDA_Topology : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_Topology;
  // Node numbers of the filter; *count set to their number, at most `max` copied.
  virtual HRESULT GetNodeTypes(ULONG* count, ULONG max, ULONG* types) = 0;
  virtual HRESULT GetNodeDescriptors(ULONG* count, ULONG max, BDANODE_DESCRIPTOR* descriptors) = 0;
  // Interface ids the node of number `nodeType` answers.
  virtual HRESULT GetNodeInterfaces(ULONG nodeType, ULONG* count, ULONG max, GUID* interfaces) = 0;
  virtual HRESULT GetPinTypes(ULONG* count, ULONG max, ULONG* types) = 0;
  // The control object of node `nodeType` between the input and output pin
  // types given; BDA_E_NOT_FOUND for an unknown node or pin type.
  virtual HRESULT GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType,
                                 IUnknown** node) = 0;
};

// Changes to the nodes are gathered between StartChanges and CommitChanges and
// applied to the device together at the commit.
struct IBDA_DeviceControl : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_DeviceControl;
  virtual HRESULT StartChanges() = 0;
  virtual HRESULT CheckChanges() = 0;
  virtual HRESULT CommitChanges() = 0;
  virtual HRESULT GetChangeState(ULONG* state) = 0;
};

struct IBDA_FrequencyFilter : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_FrequencyFilter;
  virtual HRESULT put_Autotune(ULONG transponder) = 0;
  virtual HRESULT get_Autotune(ULONG* transponder) = 0;
  // In units of the multiplier (1 hertz, 1000 kilohertz).
  virtual HRESULT put_Frequency(ULONG frequency) = 0;
  virtual HRESULT get_Frequency(ULONG* frequency) = 0;
  virtual HRESULT put_Polarity(LONG polarity) = 0;
  virtual HRESULT get_Polarity(LONG* polarity) = 0;
  virtual HRESULT put_Range(ULONG range) = 0;
  virtual HRESULT get_Range(ULONG* range) = 0;
  // MHz; BDA_ULONG_NOT_SET leaves it open.
  virtual HRESULT put_Bandwidth(ULONG bandwidth) = 0;
  virtual HRESULT get_Bandwidth(ULONG* bandwidth) = 0;
  virtual HRESULT put_FrequencyMultiplier(ULONG multiplier) = 0;
  virtual HRESULT get_FrequencyMultiplier(ULONG* multiplier) = 0;
};

struct IBDA_LNBInfo : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_LNBInfo;
  virtual HRESULT put_LocalOscilatorFrequencyLowBand(ULONG frequency) = 0;
  virtual HRESULT get_LocalOscilatorFrequencyLowBand(ULONG* frequency) = 0;
  virtual HRESULT put_LocalOscilatorFrequencyHighBand(ULONG frequency) = 0;
  virtual HRESULT get_LocalOscilatorFrequencyHighBand(ULONG* frequency) = 0;
  virtual HRESULT put_HighLowSwitchFrequency(ULONG frequency) = 0;
  virtual HRESULT get_HighLowSwitchFrequency(ULONG* frequency) = 0;
};

struct IBDA_SignalStatistics : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_SignalStatistics;
  virtual HRESULT put_SignalStrength(LONG strength) = 0;
  virtual HRESULT get_SignalStrength(LONG* strength) = 0;  // mdB
  virtual HRESULT put_SignalQuality(LONG quality) = 0;
  virtual HRESULT get_SignalQuality(LONG* quality) = 0;  // percent
  virtual HRESULT put_SignalPresent(BOOLEAN present) = 0;
  virtual HRESULT get_SignalPresent(BOOLEAN* present) = 0;
  virtual HRESULT put_SignalLocked(BOOLEAN locked) = 0;
  virtual HRESULT get_SignalLocked(BOOLEAN* locked) = 0;
  virtual HRESULT put_SampleTime(LONG ms) = 0;
  virtual HRESULT get_SampleTime(LONG* ms) = 0;
};

struct IBDA_DigitalDemodulator : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_DigitalDemodulator;
  virtual HRESULT put_ModulationType(ModulationType* type) = 0;
  virtual HRESULT get_ModulationType(ModulationType* type) = 0;
  virtual HRESULT put_InnerFECMethod(FECMethod* method) = 0;
  virtual HRESULT get_InnerFECMethod(FECMethod* method) = 0;
  virtual HRESULT put_InnerFECRate(BinaryConvolutionCodeRate* rate) = 0;
  virtual HRESULT get_InnerFECRate(BinaryConvolutionCodeRate* rate) = 0;
  virtual HRESULT put_OuterFECMethod(FECMethod* method) = 0;
  virtual HRESULT get_OuterFECMethod(FECMethod* method) = 0;
  virtual HRESULT put_OuterFECRate(BinaryConvolutionCodeRate* rate) = 0;
  virtual HRESULT get_OuterFECRate(BinaryConvolutionCodeRate* rate) = 0;
  virtual HRESULT put_SymbolRate(ULONG* rate) = 0;
  virtual HRESULT get_SymbolRate(ULONG* rate) = 0;
  virtual HRESULT put_SpectralInversion(SpectralInversion* inversion) = 0;
  virtual HRESULT get_SpectralInversion(SpectralInversion* inversion) = 0;
};

// Lets the demodulator find the modulation itself.
struct IBDA_AutoDemodulate : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_AutoDemodulate;
  virtual HRESULT put_AutoDemodulate() = 0;
};

struct IBDA_PidFilter : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_PidFilter;
  // kPidFilterPassAll or kPidFilterMappedOnly; E_INVALIDARG otherwise.
  virtual HRESULT put_Mode(LONG mode) = 0;
  virtual HRESULT get_Mode(LONG* mode) = 0;
};

// The tuner filter counts the tunes its device carried out and marks every
// sample it delivers with the count at the time the bytes were read (see
// common/TuneMark.h), so a network provider can tell which tune data belongs to.
struct IBDA_TuneCount : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_TuneCount;
  virtual HRESULT GetTuneCount(ULONG* count) = 0;
};

// The filter that owns tuning. Tuner and receiver filters register with it
// when their input connects to it.
struct IBDA_NetworkProvider : virtual IUnknown {
  static constexpr IID kIid = IID_IBDA_NetworkProvider;
  virtual HRESULT PutSignalSource(ULONG signalSource) = 0;
  virtual HRESULT GetSignalSource(ULONG* signalSource) = 0;
  virtual HRESULT GetNetworkType(GUID* networkType) = 0;
  virtual HRESULT PutTuningSpace(REFGUID tuningSpace) = 0;
  virtual HRESULT GetTuningSpace(GUID* tuningSpace) = 0;
  // Registers a device filter; *context identifies the registration (the
  // provider may answer a kind in it, see its documentation).
  virtual HRESULT RegisterDeviceFilter(IUnknown* filter, ULONG* context) = 0;
  virtual HRESULT UnRegisterDeviceFilter(ULONG context) = 0;
};
