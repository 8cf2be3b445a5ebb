# Section store, table handlers, section poll, guide store and table dumps.
corvane_library(corvane_tables
  SOURCES
    sections/SectionHeader.cpp
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
  DEPS corvane_tables_text corvane_tuning corvane_common corvane_atomic_write corvane_com)

corvane_library(corvane_tables_dump
  SOURCES
    dump/DumpText.cpp
    dump/DescriptorDump.cpp
    dump/PsiDump.cpp
    dump/PsipDump.cpp
    dump/SectionStoreDump.cpp
  DEPS corvane_tables)
