# What a received section must pass before the dispatcher sees it; plain, so
# that the section buffer filter links it alone.
corvane_library(corvane_section_rules SOURCES sections/SectionRules.cpp DEPS corvane_common)

# Each table decoded into a plain struct: plain C++ over the common reader, for
# every layer that reads tables (the demultiplexer too).
corvane_library(corvane_table_decode
  SOURCES
    sections/SectionHeader.cpp
    mpeg/PatTable.cpp
    mpeg/PmtTable.cpp
    psip/MgtTable.cpp
    psip/VctTable.cpp
    psip/EitTable.cpp
    psip/EttTable.cpp
    psip/CableNitTable.cpp
    dvb/SdtTable.cpp
    dvb/DvbEitTable.cpp
  DEPS corvane_common)

# Section store, table handlers, section poll, guide store and table dumps.
corvane_library(corvane_tables
  SOURCES
    sections/SectionStore.cpp
    sections/Pat.cpp
    sections/Pmt.cpp
    sections/Dispatch.cpp
    dvb/DvbEit.cpp
    psip/RatingText.cpp
    psip/Mgt.cpp
    psip/Vct.cpp
    psip/Eit.cpp
    psip/Ett.cpp
    psip/Stt.cpp
    guide/GuideStore.cpp
    poll/PollSections.cpp
  DEPS corvane_table_decode corvane_section_rules corvane_tables_text corvane_tuning corvane_common corvane_atomic_write)

corvane_library(corvane_tables_dump
  SOURCES
    dump/DumpText.cpp
    dump/DescriptorDump.cpp
    dump/PsiDump.cpp
    dump/PsipDump.cpp
    dump/SectionStoreDump.cpp
  DEPS corvane_tables)

# The channel collection of a scan: channel records from the stored tables.
corvane_library(corvane_channel_scan SOURCES collect/ChannelCollection.cpp DEPS corvane_tables)

# The guide grid's model: the snapshot, navigation, cell slots and texts.
corvane_library(corvane_guide_grid
  SOURCES grid/GridSnapshot.cpp grid/GuideGrid.cpp grid/GridText.cpp
  DEPS corvane_tables corvane_tuning corvane_common)
