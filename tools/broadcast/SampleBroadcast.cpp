// The bundled sample broadcast: the virtual tuner's default description.
#include "tools/broadcast/Description.h"

namespace broadcast {

std::string_view SampleBroadcastText() {
  return R"desc(# Corvane DVR sample broadcast.
# multiplex <map> <physical> <modulation> synthetic <name> [quality <q>]
#   tables|tsid|onid|nid|network <value>
#   channel <major.minor | one-part number> program=N [name=...] [guide=...] [flags]
# multiplex <map> <physical> <modulation> capture <path> [quality <q>]

# Antenna US 7: two channels, a hidden test channel and the VCT entry of an
# analog station.
multiplex "Antenna US" 7 VSB:8-VSB synthetic KVSB
  tsid 0x0701
  channel 7.1 program=1 name=KVSB-HD guide=news
  channel 7.2 program=2 name=KVSB-WX guide=weather
  channel 7.9 program=9 name=KVSBTST hidden hide-guide guide=test
  channel 9.0 name=KANA-LP analog tsid=0x0901 source=0x0109

# Antenna US 31: the default current channel 5.5.
multiplex "Antenna US" 31 VSB:8-VSB synthetic KFIV quality 80
  tsid 0x1F05
  channel 5.5 program=5 name=KFIV guide=movies

# Cable (Standard) 78 (549 MHz), cable VCT with a one-part number.
multiplex "Cable (Standard)" 78 QAM:256-QAM synthetic "Cable 78"
  tsid 0x4E01
  channel 1001 program=1 name=SPORTS guide=sports
  channel 78.2 program=2 name=KIDS guide=kids

# Cable (Standard) 80, clear 64-QAM: PAT and PMT only; programme 3 is radio.
multiplex "Cable (Standard)" 80 QAM:64-QAM synthetic "Clear QAM 80"
  tables psi
  tsid 0x5001
  channel 80.1 program=1
  channel 80.2 program=2
  channel 80.3 program=3 no-video

# Antenna EU 21 (474 MHz), DVB-T with NIT, SDT and EIT.
multiplex "Antenna EU" 21 COFDM:64-QAM synthetic "Corvane DVB-T"
  tables dvb
  tsid 0x0415
  onid 0x2000
  nid 0x3001
  network "Corvane Net"
  channel 1 program=1 name="Corvane Eins" guide=news
  channel 2 program=2 name="Corvane Zwei" guide=movies
  channel 3 program=3 name="Corvane Radio" no-video guide=music
)desc";
}

BroadcastDescription SampleBroadcast() {
  BroadcastDescription description;
  std::string error;
  ParseBroadcastDescription(SampleBroadcastText(), description, error);
  return description;
}

}  // namespace broadcast
