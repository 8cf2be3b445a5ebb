// CBaseOutputPin: an output pin that delivers samples to the connected input
// pin's IMemInputPin.
//
// On connection it agrees an allocator (DecideAllocator): the downstream pin's
// own allocator when it offers one and DecideBufferSize succeeds on it, else a
// memory allocator of this pin's (InitAllocator); the downstream pin is told
// with NotifyAllocator (not read-only). Active commits the allocator, Inactive
// decommits it, which wakes a GetDeliveryBuffer waiting for a free buffer.
#pragma once

#include "platform/media/BasePin.h"

class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(const char* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* hr,
                 LPCWSTR name);
  ~CBaseOutputPin() override;

  // IPin: an output pin receives no stream calls.
  HRESULT EndOfStream() override { return E_UNEXPECTED; }
  HRESULT BeginFlush() override { return E_UNEXPECTED; }
  HRESULT EndFlush() override { return E_UNEXPECTED; }

  HRESULT CheckConnect(IPin* pin) override;  // the peer must offer IMemInputPin
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // Sets the buffer count and size on the allocator; `request` holds what the
  // downstream pin asked for (GetAllocatorRequirements), zeros when nothing.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
  virtual HRESULT InitAllocator(IMemAllocator** allocator);

  virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                    REFERENCE_TIME* stop, DWORD flags);
  // The downstream pin's Receive result; VFW_E_NOT_CONNECTED when unconnected.
  virtual HRESULT Deliver(IMediaSample* sample);
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  IMemAllocator* Allocator() const { return allocator_.Get(); }
  IMemInputPin* InputPin() const { return inputPin_.Get(); }

 protected:
  ComPtr<IMemAllocator> allocator_;
  ComPtr<IMemInputPin> inputPin_;
};
