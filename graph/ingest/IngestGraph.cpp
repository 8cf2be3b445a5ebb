#include "graph/ingest/IngestGraph.h"

#include <cstdint>
#include <cstdio>

#include "graph/ingest/ConnectFilters.h"
#include "graph/ingest/TunerDevices.h"
#include "platform/bda/tuner/TunerFilter.h"
#include "platform/bda/tuner/VirtualTunerFilter.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/HResult.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"

namespace graph {

IngestGraph::~IngestGraph() {
  TearDown();
}

HRESULT IngestGraph::Fail(HRESULT hr, const char* message, std::string* error) {
  if (error) {
    char text[256];
    std::snprintf(text, sizeof text, message, com::ResultName(hr).c_str());
    *error = text;
  }
  TearDown();
  return FAILED(hr) ? hr : E_FAIL;
}

HRESULT IngestGraph::AddProvider(std::string* error) {
  TearDown();
  media::RegisterClasses();
  HRESULT hr =
      CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_));
  if (FAILED(hr)) return Fail(hr, "Couldn't CoCreate IGraphBuilder\n", error);

  HRESULT created = S_OK;
  provider_ = new filters::CNetworkProvider(&created);
  if (FAILED(created))
    return Fail(created, "Can't create network provider filter. Error: %s", error);
  hr = graph_->AddFilter(provider_.Get(), u"Tallowmark Network Provider");
  if (FAILED(hr)) return Fail(hr, "Can't add network provider filter to graph. Error: %s", error);
  return S_OK;
}

HRESULT IngestGraph::Build(IBaseFilter* tuner, const std::u16string& tunerName, std::string* error,
                           Mode mode) {
  if (tuner == nullptr) return Fail(E_POINTER, "No tuner filter. Error: %s", error);
  HRESULT hr = AddProvider(error);
  if (FAILED(hr)) return hr;
  hr = graph_->AddFilter(tuner, tunerName.c_str());
  if (FAILED(hr)) return Fail(hr, "Can not add tuner filter to graph. Error: %s\n", error);
  chain_[0] = tuner;
  chainCount_ = 1;
  hr = BuildAfterTuner(mode, error);
  // A virtual tuner that is not paced delivers faster than any clock: its
  // samples keep the stream's own timeline rather than their arrival.
  auto* virtualTuner = dynamic_cast<bda::CVirtualTunerFilter*>(chain_[0].Get());
  if (SUCCEEDED(hr) && virtualTuner && !virtualTuner->Device().Tuner().Paced())
    demux_->SetArrivalTiming(FALSE);
  return hr;
}

HRESULT IngestGraph::BuildFromDevice(const std::u16string& displayName, Mode mode,
                                     std::string* error) {
  HRESULT hr = AddProvider(error);
  if (FAILED(hr)) return hr;
  std::u16string friendlyName;
  hr = LoadTuner(graph_.Get(), displayName, &friendlyName, &chain_[0]);
  if (FAILED(hr)) return Fail(hr, "Can not load the tuner. Error: %s\n", error);
  chainCount_ = 1;
  hr = BuildAfterTuner(mode, error);
  // A virtual tuner that is not paced delivers faster than any clock: its
  // samples keep the stream's own timeline rather than their arrival.
  auto* virtualTuner = dynamic_cast<bda::CVirtualTunerFilter*>(chain_[0].Get());
  if (SUCCEEDED(hr) && virtualTuner && !virtualTuner->Device().Tuner().Paced())
    demux_->SetArrivalTiming(FALSE);
  return hr;
}

HRESULT IngestGraph::TunerStreamFailure() const {
  const auto* tuner = dynamic_cast<const bda::CTunerFilter*>(chain_[0].Get());
  return tuner ? tuner->StreamFailure() : S_OK;
}

HRESULT IngestGraph::BuildAfterTuner(Mode mode, std::string* error) {
  IBaseFilter* tuner = chain_[0].Get();
  // Connecting the antenna registers the tuner with the provider.
  HRESULT hr = ConnectFilters(graph_.Get(), provider_.Get(), tuner);
  if (FAILED(hr)) {
    char text[96];
    std::snprintf(text, sizeof text, "ConnectFilters(0x%08X, 0x%08X) returned: %%s\n",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(provider_.Get())),
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(tuner)));
    return Fail(hr, text, error);
  }
  // Receiver components that connect behind the tuner join its chain; none is
  // no failure.
  if ((chain_[1] = LoadFilter(graph_.Get(), KSCATEGORY_BDA_RECEIVER_COMPONENT, tuner))) {
    chainCount_ = 2;
    if ((chain_[2] =
             LoadFilter(graph_.Get(), KSCATEGORY_BDA_RECEIVER_COMPONENT, chain_[1].Get()))) {
      chainCount_ = 3;
    }
  }
  IBaseFilter* last = chain_[chainCount_ - 1].Get();

  IBaseFilter* demuxUpstream = last;
  if (mode == Mode::kBuffered) {
    tee_ = new CTee;
    hr = graph_->AddFilter(tee_.Get(), u"Smart Tee");
    if (FAILED(hr)) return Fail(hr, "Unable to add tee filter to graph\n", error);
    hr = ConnectFilters(graph_.Get(), last, tee_.Get());
    if (FAILED(hr)) return Fail(hr, "Cannot connect tee to tuner component", error);

    dump_ = new CDumpFilter;
    hr = graph_->AddFilter(dump_.Get(), u"TS Sink");
    if (FAILED(hr)) return Fail(hr, "Unable to add sink filter to graph\n", error);
    hr = ConnectFilters(graph_.Get(), tee_.Get(), dump_.Get());
    if (FAILED(hr)) return Fail(hr, "Cannot connect sink to tee\n", error);
    demuxUpstream = tee_.Get();
  }

  demux_ = new demux::CDemuxFilter;
  hr = graph_->AddFilter(demux_.Get(), u"Demux");
  if (FAILED(hr)) return Fail(hr, "Unable to add demultiplexer filter to graph\n", error);
  hr = ConnectFilters(graph_.Get(), demuxUpstream, demux_.Get());
  if (FAILED(hr)) {
    return Fail(hr,
                mode == Mode::kBuffered ? "Cannot connect demux to tuner"
                                        : "Can not connect demux to tuner",
                error);
  }
  // The demultiplexer registers with the network provider, which creates its
  // section, video and audio pins and keeps their PID maps.
  hr =
      provider_->RegisterDeviceFilter(static_cast<IBaseFilter*>(demux_.Get()), &demuxRegistration_);
  if (FAILED(hr)) return Fail(hr, "Can not register the demultiplexer. Error: %s", error);
  demuxRegistered_ = true;

  sectionBuffer_ = new CPsiParserFilter;
  hr = graph_->AddFilter(sectionBuffer_.Get(), u"Tallowmark Section Buffer");
  if (FAILED(hr)) return Fail(hr, "Can't add Section Buffer to graph. Error: %s\n", error);
  hr = ConnectFilters(graph_.Get(), demux_.Get(), sectionBuffer_.Get());
  if (FAILED(hr)) return Fail(hr, "Can't connect Section Buffer to Demux.  Error: %s", error);

  ComPtr<IPacketBuffer> packets;
  hr = sectionBuffer_->QueryInterface(IID_PPV_ARGS(&packets));
  if (FAILED(hr)) return Fail(hr, "Can not load TIF", error);
  pollBuffer_ = std::make_unique<filters::PacketBufferAdapter>(packets.Get());
  pollProvider_ = std::make_unique<filters::PsiPidAdapter>(provider_.Get());
  return S_OK;
}

void IngestGraph::TearDown() {
  if (graph_) Stop();
  pollBuffer_.reset();
  pollProvider_.reset();
  if (demuxRegistered_ && provider_) provider_->UnRegisterDeviceFilter(demuxRegistration_);
  demuxRegistered_ = false;
  if (graph_) {
    for (IBaseFilter* filter :
         {static_cast<IBaseFilter*>(sectionBuffer_.Get()), static_cast<IBaseFilter*>(demux_.Get()),
          static_cast<IBaseFilter*>(dump_.Get()), static_cast<IBaseFilter*>(tee_.Get()),
          chain_[2].Get(), chain_[1].Get(), chain_[0].Get(),
          static_cast<IBaseFilter*>(provider_.Get())}) {
      if (filter) graph_->RemoveFilter(filter);
    }
  }
  sectionBuffer_ = nullptr;
  demux_ = nullptr;
  dump_ = nullptr;
  tee_ = nullptr;
  for (ComPtr<IBaseFilter>& filter : chain_)
    filter = nullptr;
  chainCount_ = 0;
  provider_ = nullptr;
  graph_ = nullptr;
}

HRESULT IngestGraph::Run() {
  if (!graph_) return E_UNEXPECTED;
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>();
  if (!control) return E_NOINTERFACE;
  const HRESULT hr = control->Run();
  if (FAILED(hr)) control->Stop();
  return hr;
}

HRESULT IngestGraph::Stop() {
  if (!graph_) return S_FALSE;
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>();
  return control ? control->Stop() : E_NOINTERFACE;
}

ComPtr<IPin> IngestGraph::DemuxPin(const char16_t* name) const {
  ComPtr<IPin> pin;
  if (demux_) demux_->FindPin(name, &pin);
  return pin;
}

void IngestGraph::WaitUntilIdle() {
  if (!tee_ || !demux_) return;
  // First the tee's queues (after them the demultiplexer has ingested every
  // sample), then the demultiplexer's own output queues.
  for (int i = 0; i < tee_->OutputCount(); ++i) {
    if (const auto queue = tee_->OutputPin(i)->Queue()) queue->WaitUntilIdle();
  }
  for (const char16_t* name :
       {filters::kSectionPinName, filters::kVideoPinName, filters::kAudioPinName}) {
    ComPtr<IPin> pin = DemuxPin(name);
    auto* output = dynamic_cast<demux::CDemuxOutputPin*>(pin.Get());
    if (!output) continue;
    if (const auto queue = output->Queue()) queue->WaitUntilIdle();
  }
}

}  // namespace graph
