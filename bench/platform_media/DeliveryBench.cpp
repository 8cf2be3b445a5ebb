// Costs of the sample path every stream pays per sample: taking a buffer from
// an allocator and giving it back, delivering through an output queue straight
// to a pin, and through a queue's worker thread.
#include <benchmark/benchmark.h>

#include <atomic>

#include "platform/com/ComPtr.h"
#include "platform/media/InputPin.h"
#include "platform/media/MemAllocator.h"
#include "platform/media/OutputQueue.h"

namespace {

const CLSID kCountingSink = com::GuidOf("B3C2D1E0-0000-4000-8000-00000000BE01");

// A filter whose input pin counts samples; it may claim that Receive blocks.
class CCountingSink : public CBaseFilter {
 public:
  explicit CCountingSink(bool blocks) : CBaseFilter("bench sink", &lock_, kCountingSink) {
    HRESULT hr = S_OK;
    pin_ = new Pin(this, &hr, blocks);
  }
  ~CCountingSink() override { delete pin_; }
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? pin_ : nullptr; }

  class Pin : public CBaseInputPin {
   public:
    Pin(CCountingSink* f, HRESULT* hr, bool blocks)
        : CBaseInputPin("bench pin", f, &f->lock_, hr, u"In"), blocks_(blocks) {}
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    HRESULT Receive(IMediaSample* s) override {
      count += s->GetActualDataLength() > 0 ? 1 : 0;
      return S_OK;
    }
    HRESULT ReceiveCanBlock() override { return blocks_ ? S_OK : S_FALSE; }
    std::atomic<long> count{0};

   private:
    bool blocks_;
  };
  Pin* pin_;

 private:
  CCritSec lock_;
};

ComPtr<CMemAllocator> MakeAllocator(LONG buffers, LONG size) {
  ComPtr<CMemAllocator> allocator(new CMemAllocator);
  ALLOCATOR_PROPERTIES want{buffers, size, 1, 0}, got;
  allocator->SetProperties(&want, &got);
  allocator->Commit();
  return allocator;
}

void BM_GetBufferRelease(benchmark::State& state) {
  ComPtr<CMemAllocator> allocator = MakeAllocator(16, 188 * 7);
  for (auto _ : state) {
    IMediaSample* sample = nullptr;
    allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    sample->SetActualDataLength(188 * 7);
    sample->Release();
  }
  allocator->Decommit();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetBufferRelease);

void BM_QueueDelivery(benchmark::State& state) {
  const bool queued = state.range(0) != 0;
  ComPtr<CCountingSink> sink(new CCountingSink(queued));
  ComPtr<CMemAllocator> allocator = MakeAllocator(64, 188 * 7);
  HRESULT hr = S_OK;
  {
    COutputQueue queue(sink->pin_, &hr, true, true, 1, false, 10);
    for (auto _ : state) {
      IMediaSample* sample = nullptr;
      allocator->GetBuffer(&sample, nullptr, nullptr, 0);
      queue.Receive(sample);  // the queue takes the reference
    }
    queue.EOS();
  }
  allocator->Decommit();
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(queued ? "worker thread" : "direct");
}
BENCHMARK(BM_QueueDelivery)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
