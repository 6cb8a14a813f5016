# Every mapped page of the program and of the control module counts in a
# run's memory, the pages the loader reads for relocations included: drop the
# archive code nothing reaches (most of Crypto++'s objects) and pack the
# relative relocations (glibc 2.36 and binutils 2.38 read and write them).
include(CheckLinkerFlag)
check_linker_flag(CXX "-Wl,-z,pack-relative-relocs" KIV_LINKER_PACKS_RELOCS)
foreach(kiv_lean_target IN ITEMS kiv-downloader kivdownloadcontrol)
    if(TARGET ${kiv_lean_target})
        target_link_options(${kiv_lean_target} PRIVATE -Wl,--gc-sections)
        if(KIV_LINKER_PACKS_RELOCS)
            target_link_options(${kiv_lean_target} PRIVATE -Wl,-z,pack-relative-relocs)
        endif()
    endif()
endforeach()
