// The interfaces of the media graph: samples, allocators, pins, filters,
// clocks, the filter graph and its control, events and seeking, with their
// interface ids. Every interface derives virtually from IUnknown.
#pragma once

#include <cstdint>

#include "platform/com/Stream.h"
#include "platform/com/Unknown.h"
#include "platform/media/MediaType.h"

using REFERENCE_TIME = std::int64_t;  // 100 ns units
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using OAHWND = LONG_PTR;  // a window handle as the event interface takes it
using OAFilterState = LONG;
using REFTIME = double;  // seconds

inline constexpr REFERENCE_TIME kUnitsPerMillisecond = 10'000;
inline constexpr REFERENCE_TIME MAX_TIME = 0x7FFFFFFFFFFFFFFF;
inline constexpr DWORD INFINITE = 0xFFFFFFFF;

inline constexpr HRESULT VFW_S_NO_STOP_TIME = MakeHResult(0x00040270);
inline constexpr HRESULT VFW_E_NO_TRANSPORT = MakeHResult(0x80040230);

inline constexpr IID IID_IMediaSample = com::GuidOf("56A8689A-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMediaSample2 = com::GuidOf("36B73884-C2C8-11CF-8B46-00805F6CEF60");
inline constexpr IID IID_IMemAllocator = com::GuidOf("56A8689C-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMemInputPin = com::GuidOf("56A8689D-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IPin = com::GuidOf("56A86891-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IEnumPins = com::GuidOf("56A86892-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IEnumMediaTypes = com::GuidOf("89C31040-846B-11CE-97D3-00AA0055595A");
inline constexpr IID IID_IEnumFilters = com::GuidOf("56A86893-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IPersist = com::GuidOf("0000010C-0000-0000-C000-000000000046");
inline constexpr IID IID_IMediaFilter = com::GuidOf("56A86899-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IBaseFilter = com::GuidOf("56A86895-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IReferenceClock = com::GuidOf("56A86897-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IFilterGraph = com::GuidOf("56A8689F-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IGraphBuilder = com::GuidOf("56A868A9-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IFilterGraph2 = com::GuidOf("36B73882-C2C8-11CF-8B46-00805F6CEF60");
inline constexpr IID IID_IMediaEventSink = com::GuidOf("56A868A2-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMediaControl = com::GuidOf("56A868B1-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMediaEvent = com::GuidOf("56A868B6-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMediaEventEx = com::GuidOf("56A868C0-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IMediaSeeking = com::GuidOf("36B73880-C2C8-11CF-8B46-00805F6CEF60");
inline constexpr IID IID_IQualityControl = com::GuidOf("56A868A5-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_IFileSinkFilter = com::GuidOf("A2104830-7C70-11CF-8BCE-00AA00A3F1A6");
inline constexpr IID IID_IFileSourceFilter = com::GuidOf("56A868A6-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr IID IID_ISpecifyPropertyPages =
    com::GuidOf("B196B28B-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID IID_IPropertyPage = com::GuidOf("B196B28D-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID IID_IAMovieSetup = com::GuidOf("A3D8CEC0-7E5A-11CF-BBC5-00805F6CEF20");
inline constexpr IID IID_IPersistStream = com::GuidOf("00000109-0000-0000-C000-000000000046");

struct IBaseFilter;
struct IPin;
struct IMemAllocator;
struct IReferenceClock;
struct IFilterGraph;

// ---- samples and allocators -------------------------------------------------

struct IMediaSample : virtual IUnknown {
  static constexpr IID kIid = IID_IMediaSample;
  virtual HRESULT GetPointer(BYTE** buffer) = 0;
  virtual LONG GetSize() = 0;
  // VFW_E_SAMPLE_TIME_NOT_SET without times; VFW_S_NO_STOP_TIME with a start only.
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  // Null start clears the times; null end sets the start only.
  virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  virtual HRESULT IsSyncPoint() = 0;  // S_OK or S_FALSE
  virtual HRESULT SetSyncPoint(BOOL sync) = 0;
  virtual HRESULT IsPreroll() = 0;
  virtual HRESULT SetPreroll(BOOL preroll) = 0;
  virtual LONG GetActualDataLength() = 0;
  virtual HRESULT SetActualDataLength(LONG length) = 0;  // VFW_E_BUFFER_OVERFLOW beyond size
  // S_FALSE and null when the type did not change with this sample; else a copy
  // the caller frees with DeleteMediaType.
  virtual HRESULT GetMediaType(AM_MEDIA_TYPE** type) = 0;
  virtual HRESULT SetMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT IsDiscontinuity() = 0;
  virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
  virtual HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) = 0;  // VFW_E_MEDIA_TIME_NOT_SET
  virtual HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) = 0;
};

// Sample flags of AM_SAMPLE2_PROPERTIES::dwSampleFlags.
inline constexpr DWORD AM_SAMPLE_SPLICEPOINT = 0x1;
inline constexpr DWORD AM_SAMPLE_PREROLL = 0x2;
inline constexpr DWORD AM_SAMPLE_DATADISCONTINUITY = 0x4;
inline constexpr DWORD AM_SAMPLE_TYPECHANGED = 0x8;
inline constexpr DWORD AM_SAMPLE_TIMEVALID = 0x10;
inline constexpr DWORD AM_SAMPLE_TIMEDISCONTINUITY = 0x40;
inline constexpr DWORD AM_SAMPLE_STOPVALID = 0x100;
inline constexpr DWORD AM_SAMPLE_ENDOFSTREAM = 0x200;
inline constexpr DWORD AM_STREAM_MEDIA = 0;

struct AM_SAMPLE2_PROPERTIES {
  DWORD cbData = sizeof(AM_SAMPLE2_PROPERTIES);
  DWORD dwTypeSpecificFlags = 0;
  DWORD dwSampleFlags = 0;
  LONG lActual = 0;
  REFERENCE_TIME tStart = 0;
  REFERENCE_TIME tStop = 0;
  DWORD dwStreamId = AM_STREAM_MEDIA;
  AM_MEDIA_TYPE* pMediaType = nullptr;
  BYTE* pbBuffer = nullptr;
  LONG cbBuffer = 0;
};

struct IMediaSample2 : IMediaSample {
  static constexpr IID kIid = IID_IMediaSample2;
  // Copies the first `size` bytes of the properties (cbData first).
  virtual HRESULT GetProperties(DWORD size, BYTE* properties) = 0;
  // Sets dwTypeSpecificFlags, dwSampleFlags, lActual, tStart, tStop, dwStreamId
  // and pMediaType from the first `size` bytes; pbBuffer and cbBuffer must match.
  virtual HRESULT SetProperties(DWORD size, const BYTE* properties) = 0;
};

struct ALLOCATOR_PROPERTIES {
  LONG cBuffers = 0;
  LONG cbBuffer = 0;
  LONG cbAlign = 0;
  LONG cbPrefix = 0;
};

// GetBuffer flags.
inline constexpr DWORD AM_GBF_PREVFRAMESKIPPED = 1;
inline constexpr DWORD AM_GBF_NOTASYNCPOINT = 2;
inline constexpr DWORD AM_GBF_NOWAIT = 4;

struct IMemAllocator : virtual IUnknown {
  static constexpr IID kIid = IID_IMemAllocator;
  virtual HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
  virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT Commit() = 0;
  virtual HRESULT Decommit() = 0;
  // Blocks until a buffer is free; fails with VFW_E_NOT_COMMITTED once decommitted
  // (also waking a caller that waits), VFW_E_TIMEOUT with AM_GBF_NOWAIT.
  virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                            DWORD flags) = 0;
  virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

struct IMemInputPin : virtual IUnknown {
  static constexpr IID kIid = IID_IMemInputPin;
  virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
  virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
  virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT Receive(IMediaSample* sample) = 0;
  virtual HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) = 0;
  // S_OK when Receive may block (so a sender should queue), S_FALSE when not.
  virtual HRESULT ReceiveCanBlock() = 0;
};

// ---- pins -------------------------------------------------------------------

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

inline constexpr int MAX_PIN_NAME = 128;
inline constexpr int MAX_FILTER_NAME = 128;

struct PIN_INFO {
  IBaseFilter* pFilter = nullptr;  // holds a reference the caller releases
  PIN_DIRECTION dir = PINDIR_INPUT;
  WCHAR achName[MAX_PIN_NAME] = {};
};

struct IEnumMediaTypes : virtual IUnknown {
  static constexpr IID kIid = IID_IEnumMediaTypes;
  // Each type is CreateMediaType'd; the caller frees it with DeleteMediaType.
  virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMediaTypes** clone) = 0;
};

struct IPin : virtual IUnknown {
  static constexpr IID kIid = IID_IPin;
  virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT Disconnect() = 0;
  virtual HRESULT ConnectedTo(IPin** pin) = 0;  // VFW_E_NOT_CONNECTED when free
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* dir) = 0;
  virtual HRESULT QueryId(LPWSTR* id) = 0;  // CoTaskMemAlloc'd copy of the name
  virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
  virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
  virtual HRESULT EndOfStream() = 0;
  virtual HRESULT BeginFlush() = 0;
  virtual HRESULT EndFlush() = 0;
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

struct IEnumPins : virtual IUnknown {
  static constexpr IID kIid = IID_IEnumPins;
  // VFW_E_ENUM_OUT_OF_SYNC when the filter's pins changed since the enumerator
  // was made or Reset.
  virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumPins** clone) = 0;
};

enum QualityMessageType { Famine = 0, Flood = 1 };

struct Quality {
  QualityMessageType Type = Famine;
  LONG Proportion = 1000;
  REFERENCE_TIME Late = 0;
  REFERENCE_TIME TimeStamp = 0;
};

struct IQualityControl : virtual IUnknown {
  static constexpr IID kIid = IID_IQualityControl;
  virtual HRESULT Notify(IBaseFilter* self, Quality q) = 0;
  virtual HRESULT SetSink(IQualityControl* sink) = 0;
};

// ---- clocks and filters -----------------------------------------------------

class CAMEvent;
class CAMSemaphore;
using HEVENT = CAMEvent*;
using HSEMAPHORE = CAMSemaphore*;

struct IReferenceClock : virtual IUnknown {
  static constexpr IID kIid = IID_IReferenceClock;
  virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
  // Sets the event once the clock reaches base + streamTime.
  virtual HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                             DWORD_PTR* cookie) = 0;
  // Releases the semaphore at start and every period after it.
  virtual HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime,
                                 HSEMAPHORE semaphore, DWORD_PTR* cookie) = 0;
  virtual HRESULT Unadvise(DWORD_PTR cookie) = 0;
};

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

struct FILTER_INFO {
  WCHAR achName[MAX_FILTER_NAME] = {};
  IFilterGraph* pGraph = nullptr;  // holds a reference the caller releases
};

struct IPersist : virtual IUnknown {
  static constexpr IID kIid = IID_IPersist;
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IMediaFilter : IPersist {
  static constexpr IID kIid = IID_IMediaFilter;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Run(REFERENCE_TIME start) = 0;
  // VFW_S_STATE_INTERMEDIATE while a transition is not complete within the
  // timeout; VFW_S_CANT_CUE from a live source while paused.
  virtual HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) = 0;
  virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
  virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct IBaseFilter : IMediaFilter {
  static constexpr IID kIid = IID_IBaseFilter;
  virtual HRESULT EnumPins(IEnumPins** pins) = 0;
  virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
  virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
  virtual HRESULT QueryVendorInfo(LPWSTR* vendorInfo) = 0;
};

struct IEnumFilters : virtual IUnknown {
  static constexpr IID kIid = IID_IEnumFilters;
  virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumFilters** clone) = 0;
};

// ---- the filter graph -------------------------------------------------------

struct IFilterGraph : virtual IUnknown {
  static constexpr IID kIid = IID_IFilterGraph;
  // A name already in use is made unique and VFW_S_DUPLICATE_NAME returned.
  virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
  virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
  virtual HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT Reconnect(IPin* pin) = 0;
  virtual HRESULT Disconnect(IPin* pin) = 0;
  virtual HRESULT SetDefaultSyncSource() = 0;
};

struct IGraphBuilder : IFilterGraph {
  static constexpr IID kIid = IID_IGraphBuilder;
  // Connects two pins directly (no filters are inserted between them).
  virtual HRESULT Connect(IPin* out, IPin* in) = 0;
  virtual HRESULT Render(IPin* out) = 0;  // E_NOTIMPL: graphs are built explicitly
  virtual HRESULT Abort() = 0;
  virtual HRESULT ShouldOperationContinue() = 0;
};

struct IFilterGraph2 : IGraphBuilder {
  static constexpr IID kIid = IID_IFilterGraph2;
  virtual HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mt) = 0;
};

// Filters report events to the graph through this interface.
struct IMediaEventSink : virtual IUnknown {
  static constexpr IID kIid = IID_IMediaEventSink;
  virtual HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaControl : virtual IUnknown {
  static constexpr IID kIid = IID_IMediaControl;
  // S_FALSE when the graph is still changing to the state (GetState tells when done).
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT StopWhenReady() = 0;
  virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
};

struct IMediaEvent : virtual IUnknown {
  static constexpr IID kIid = IID_IMediaEvent;
  // E_ABORT when no event arrives within the timeout.
  virtual HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
  virtual HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) = 0;
  virtual HRESULT CancelDefaultHandling(LONG eventCode) = 0;
  virtual HRESULT RestoreDefaultHandling(LONG eventCode) = 0;
  virtual HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

inline constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

struct IMediaEventEx : IMediaEvent {
  static constexpr IID kIid = IID_IMediaEventEx;
  // Each queued event posts `message` (wParam 0, lParam instanceData) to the
  // window; a window of 0 stops the notifications.
  virtual HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;
  virtual HRESULT SetNotifyFlags(LONG flags) = 0;
  virtual HRESULT GetNotifyFlags(LONG* flags) = 0;
};

// Seeking capabilities.
inline constexpr DWORD AM_SEEKING_CanSeekAbsolute = 0x1;
inline constexpr DWORD AM_SEEKING_CanSeekForwards = 0x2;
inline constexpr DWORD AM_SEEKING_CanSeekBackwards = 0x4;
inline constexpr DWORD AM_SEEKING_CanGetCurrentPos = 0x8;
inline constexpr DWORD AM_SEEKING_CanGetStopPos = 0x10;
inline constexpr DWORD AM_SEEKING_CanGetDuration = 0x20;
inline constexpr DWORD AM_SEEKING_CanPlayBackwards = 0x40;
inline constexpr DWORD AM_SEEKING_CanDoSegments = 0x80;
// Positioning flags of SetPositions.
inline constexpr DWORD AM_SEEKING_NoPositioning = 0x0;
inline constexpr DWORD AM_SEEKING_AbsolutePositioning = 0x1;
inline constexpr DWORD AM_SEEKING_RelativePositioning = 0x2;
inline constexpr DWORD AM_SEEKING_IncrementalPositioning = 0x3;
inline constexpr DWORD AM_SEEKING_PositioningBitsMask = 0x3;
inline constexpr DWORD AM_SEEKING_SeekToKeyFrame = 0x4;
inline constexpr DWORD AM_SEEKING_ReturnTime = 0x8;

struct IMediaSeeking : virtual IUnknown {
  static constexpr IID kIid = IID_IMediaSeeking;
  virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT CheckCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT IsFormatSupported(const GUID* format) = 0;
  virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
  virtual HRESULT GetTimeFormat(GUID* format) = 0;
  virtual HRESULT IsUsingTimeFormat(const GUID* format) = 0;
  virtual HRESULT SetTimeFormat(const GUID* format) = 0;
  virtual HRESULT GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
  virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
  virtual HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                    const GUID* sourceFormat) = 0;
  virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                               DWORD stopFlags) = 0;
  virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
  virtual HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
  virtual HRESULT SetRate(double rate) = 0;
  virtual HRESULT GetRate(double* rate) = 0;
  virtual HRESULT GetPreroll(LONGLONG* preroll) = 0;
};

// ---- file naming, property pages --------------------------------------------

struct IFileSinkFilter : virtual IUnknown {
  static constexpr IID kIid = IID_IFileSinkFilter;
  virtual HRESULT SetFileName(LPCWSTR fileName, const AM_MEDIA_TYPE* mt) = 0;
  // *fileName is CoTaskMemAlloc'd; mt (optional) is filled in.
  virtual HRESULT GetCurFile(LPWSTR* fileName, AM_MEDIA_TYPE* mt) = 0;
};

struct IFileSourceFilter : virtual IUnknown {
  static constexpr IID kIid = IID_IFileSourceFilter;
  virtual HRESULT Load(LPCWSTR fileName, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT GetCurFile(LPWSTR* fileName, AM_MEDIA_TYPE* mt) = 0;
};

// A counted array of GUIDs; pElems is CoTaskMemAlloc'd.
struct CAUUID {
  ULONG cElems = 0;
  GUID* pElems = nullptr;
};

struct ISpecifyPropertyPages : virtual IUnknown {
  static constexpr IID kIid = IID_ISpecifyPropertyPages;
  virtual HRESULT GetPages(CAUUID* pages) = 0;
};

// Saving and loading an object's settings through a stream.
struct IPersistStream : IPersist {
  static constexpr IID kIid = IID_IPersistStream;
  virtual HRESULT IsDirty() = 0;  // S_OK when changed since the last save
  virtual HRESULT Load(IStream* stream) = 0;
  virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULONGLONG* size) = 0;
};

// Filter registration through IAMovieSetup (the filter's own setup data).
struct IAMovieSetup : virtual IUnknown {
  static constexpr IID kIid = IID_IAMovieSetup;
  virtual HRESULT Register() = 0;
  virtual HRESULT Unregister() = 0;
};

// ---- event codes ------------------------------------------------------------

inline constexpr LONG EC_COMPLETE = 0x01;
inline constexpr LONG EC_USERABORT = 0x02;
inline constexpr LONG EC_ERRORABORT = 0x03;
inline constexpr LONG EC_REPAINT = 0x05;
inline constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;
inline constexpr LONG EC_STREAM_ERROR_STILLPLAYING = 0x07;
inline constexpr LONG EC_ERROR_STILLPLAYING = 0x08;
inline constexpr LONG EC_VIDEO_SIZE_CHANGED = 0x0A;
inline constexpr LONG EC_SHUTTING_DOWN = 0x0C;
inline constexpr LONG EC_CLOCK_CHANGED = 0x0D;
inline constexpr LONG EC_PAUSED = 0x0E;
inline constexpr LONG EC_STARVATION = 0x17;
inline constexpr LONG EC_SEGMENT_STARTED = 0x1D;
inline constexpr LONG EC_STATE_CHANGE = 0x32;
inline constexpr LONG EC_CLOCK_UNSET = 0x51;
inline constexpr LONG EC_VMR_RENDERDEVICE_SET = 0x53;
inline constexpr LONG EC_USER = 0x8000;
