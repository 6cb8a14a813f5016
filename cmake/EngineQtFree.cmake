# The engine libraries must never depend on Qt, and neither may the programs
# and the control module, which load Qt only with the window front end's
# library (frontends/window/loader/WindowFrontEndLibrary.h): walk their link interfaces at
# configure time and stop the build if a Qt target shows up anywhere.
set(KIV_ENGINE_LIBS kiv_resources kiv_platform kiv_env kiv_transfer kiv_ui_text kiv_control kiv_assistant
    kiv_host_core kiv_terminal kiv_terminal_frontend kiv_window_loader kiv_standin_core kiv-downloader
    kivdownloadcontrol kiv_assistant_standin kivtool)

function(kiv_collect_links target out)
    set(seen ${${out}})
    if(NOT TARGET ${target} OR target IN_LIST seen)
        return()
    endif()
    list(APPEND seen ${target})
    get_target_property(links ${target} LINK_LIBRARIES)
    if(links)
        foreach(lib IN LISTS links)
            if(lib MATCHES "Qt[0-9]*::" OR lib MATCHES "Qt[0-9]*Widgets")
                message(FATAL_ERROR "${target} links ${lib}: the engine and the programs must stay free of Qt")
            endif()
            if(TARGET ${lib})
                kiv_collect_links(${lib} seen)
            endif()
        endforeach()
    endif()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

foreach(lib IN LISTS KIV_ENGINE_LIBS)
    if(TARGET ${lib})
        set(visited "")
        kiv_collect_links(${lib} visited)
    endif()
endforeach()
