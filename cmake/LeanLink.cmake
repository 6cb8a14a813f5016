# Every mapped page of the program and of the control module counts in a
# run's memory: drop the archive code nothing reaches (most of Crypto++'s
# objects). Packed relative relocations (-z pack-relative-relocs) would save
# about 0.2 MB more, but the programs would then need glibc 2.36 without
# the package's Depends (from dpkg-shlibdeps) saying so.
foreach(kiv_lean_target IN ITEMS kiv-downloader kivdownloadcontrol)
    if(TARGET ${kiv_lean_target})
        target_link_options(${kiv_lean_target} PRIVATE -Wl,--gc-sections)
    endif()
endforeach()
