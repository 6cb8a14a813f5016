# Each library publishes its own folder, and only that, to the targets that
# link it. Includes stay "layer/File.h": the library's include directory is a
# folder of the build tree holding one symbolic link named like its source
# folder (BUILD/include/kiv_env/env -> SOURCE/env), so a file that includes a
# header of a library its target does not link finds no such file.
# (Not product code, tests/, bench/ and fuzz/ see the whole tree.)
get_filename_component(KIV_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# kiv_public_headers(<target> <folder> [PRIVATE]): `folder` relative to the
# source root; PRIVATE for a program, whose folder nothing else includes.
function(kiv_public_headers target folder)
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${KIV_SOURCE_ROOT}/${folder} ${root}/${folder} SYMBOLIC)
    if(ARGV2 STREQUAL "PRIVATE")
        target_include_directories(${target} PRIVATE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
