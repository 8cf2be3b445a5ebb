// The stream-buffer engine's classes and interfaces as the graph manager and
// the player call them: the "SB Sink" that keeps the live buffer and makes
// recorder objects, the configuration object that sets the buffer up through
// the engine's registry key, and the source that plays the live buffer or a
// ".dvr-ms" recording, with its own seeking interface.
#pragma once

#include "platform/com/GuidLiteral.h"
#include "platform/com/Registry.h"
#include "platform/com/Unknown.h"
#include "platform/media/Interfaces.h"

inline constexpr CLSID CLSID_StreamBufferSink = com::GuidOf("2DB47AE5-CF39-43C2-B4D6-0CD8D90946F4");
inline constexpr CLSID CLSID_StreamBufferSource =
    com::GuidOf("C9F5FE02-F851-4EB5-99EE-AD602AF1E619");
inline constexpr CLSID CLSID_StreamBufferConfig =
    com::GuidOf("FA8A68B2-C864-4BA2-AD53-D3876A87494B");

inline constexpr IID IID_IStreamBufferInitialize =
    com::GuidOf("9CE50F2D-6BA7-40FB-A034-50B1A674EC78");
inline constexpr IID IID_IStreamBufferSink = com::GuidOf("AFD1F242-7EFD-45EE-BA4E-407A25C9A77A");
inline constexpr IID IID_IStreamBufferRecordControl =
    com::GuidOf("BA9B6C99-F3C7-4FF2-92DB-CFDD4851BF31");
inline constexpr IID IID_IStreamBufferConfigure =
    com::GuidOf("CE14DFAE-4098-4AF7-BBF7-D6511F835414");
inline constexpr IID IID_IStreamBufferConfigure3 =
    com::GuidOf("7E2D2A1E-7192-4BD7-80C1-061FD1D10402");
inline constexpr IID IID_IStreamBufferSource = com::GuidOf("1C5BD776-6CED-4F44-8164-5EAB0E98DB12");
inline constexpr IID IID_IStreamBufferMediaSeeking =
    com::GuidOf("F61F5C26-863D-4AFA-B0BA-2F81DC978596");

// CreateRecorder's recording kinds; only content recordings are made.
inline constexpr DWORD RECORDING_TYPE_CONTENT = 0;
inline constexpr DWORD RECORDING_TYPE_REFERENCE = 1;

// The events of the engine's filters, as the graph's event queue carries them.
inline constexpr LONG STREAMBUFFER_EC_BASE = 0x0326;
inline constexpr LONG STREAMBUFFER_EC_TIMEHOLE = STREAMBUFFER_EC_BASE;                // 806
inline constexpr LONG STREAMBUFFER_EC_STALE_DATA_READ = STREAMBUFFER_EC_BASE + 1;     // 807
inline constexpr LONG STREAMBUFFER_EC_STALE_FILE_DELETED = STREAMBUFFER_EC_BASE + 2;  // 808
inline constexpr LONG STREAMBUFFER_EC_CONTENT_BECOMING_STALE = STREAMBUFFER_EC_BASE + 3;
inline constexpr LONG STREAMBUFFER_EC_WRITE_FAILURE = STREAMBUFFER_EC_BASE + 4;        // 810
inline constexpr LONG STREAMBUFFER_EC_WRITE_FAILURE_CLEAR = STREAMBUFFER_EC_BASE + 5;  // 811
inline constexpr LONG STREAMBUFFER_EC_READ_FAILURE = STREAMBUFFER_EC_BASE + 6;         // 812
inline constexpr LONG STREAMBUFFER_EC_RATE_CHANGED = STREAMBUFFER_EC_BASE + 7;         // 813

// Gives an engine object the registry key its settings live under.
struct IStreamBufferInitialize : virtual IUnknown {
  static constexpr IID kIid = IID_IStreamBufferInitialize;
  virtual HRESULT SetHKEY(HKEY key) = 0;
};

struct IStreamBufferSink : virtual IUnknown {
  static constexpr IID kIid = IID_IStreamBufferSink;
  // Takes the stub file that names this sink's live buffer and starts the
  // buffer; once per sink.
  virtual HRESULT LockProfile(LPCWSTR stubFile) = 0;
  // A recorder object writing into `fileName`, which must not exist
  // (HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS) when it does).
  virtual HRESULT CreateRecorder(LPCWSTR fileName, DWORD recordingType, IUnknown** recorder) = 0;
  // S_OK when a profile is locked, S_FALSE when not.
  virtual HRESULT IsProfileLocked() = 0;
};

struct IStreamBufferRecordControl : virtual IUnknown {
  static constexpr IID kIid = IID_IStreamBufferRecordControl;
  // Starts the recording now (the time asked for is answered with 0, the
  // start of the recording).
  virtual HRESULT Start(REFERENCE_TIME* start) = 0;
  virtual HRESULT Stop(REFERENCE_TIME stop) = 0;
  virtual HRESULT GetRecordingStatus(HRESULT* lastError, BOOL* started, BOOL* stopped) = 0;
};

struct IStreamBufferConfigure : virtual IUnknown {
  static constexpr IID kIid = IID_IStreamBufferConfigure;
  virtual HRESULT SetDirectory(LPCWSTR directory) = 0;
  virtual HRESULT GetDirectory(LPWSTR* directory) = 0;
  virtual HRESULT SetBackingFileCount(DWORD minimum, DWORD maximum) = 0;
  virtual HRESULT GetBackingFileCount(DWORD* minimum, DWORD* maximum) = 0;
  virtual HRESULT SetBackingFileDuration(DWORD seconds) = 0;
  virtual HRESULT GetBackingFileDuration(DWORD* seconds) = 0;
};

struct IStreamBufferConfigure3 : IStreamBufferConfigure {
  static constexpr IID kIid = IID_IStreamBufferConfigure3;
  // A null namespace: the buffer's files are the engine's own, named by it.
  virtual HRESULT SetNamespace(LPWSTR name) = 0;
  virtual HRESULT GetNamespace(LPWSTR* name) = 0;
};

struct IStreamBufferSource : virtual IUnknown {
  static constexpr IID kIid = IID_IStreamBufferSource;
  // Plays the live buffer of `sink` (which must have locked its profile).
  virtual HRESULT SetStreamSink(IStreamBufferSink* sink) = 0;
};

// The source's seeking: IMediaSeeking under the engine's own identity.
struct IStreamBufferMediaSeeking : IMediaSeeking {
  static constexpr IID kIid = IID_IStreamBufferMediaSeeking;
};
