# Which folder may use which. A library folder includes headers of its own
# folder and of the folders listed for it, nothing else; the configure step
# stops with the offending line otherwise, so no arrow can run back up.
#
#   app -> {forms, station} -> printing -> {printer, settings, db, journal} -> core
#   (station/: the station without a window, beside forms/ and not using it)
set(VORNELL_LAYERS
    "core:core"
    "db:db,core"
    "settings:settings,core"
    "printer:printer,core"
    "journal:journal,core"
    "printing:printing,journal,printer,settings,db,core"
    "forms:forms,printing,journal,printer,settings,db,core"
    "station:station,printing,journal,printer,settings,db,core"
    "app:app,forms,station,printing,journal,printer,settings,db,core")

function(vornell_check_layers)
    set(folders core db settings printer journal printing forms station app tests bench)
    foreach(rule ${VORNELL_LAYERS})
        string(REPLACE ":" ";" parts "${rule}")
        list(GET parts 0 folder)
        list(GET parts 1 allowed)
        string(REPLACE "," ";" allowed "${allowed}")
        file(GLOB_RECURSE sources CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/${folder}/*.h ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
        foreach(src ${sources})
            file(STRINGS ${src} includes REGEX "^#include \"[a-z]+/")
            foreach(line ${includes})
                string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" used "${line}")
                list(FIND folders ${used} known)
                list(FIND allowed ${used} ok)
                if(known GREATER -1 AND ok EQUAL -1)
                    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${src})
                    message(FATAL_ERROR "${rel}: ${folder}/ may not use ${used}/ (${line})")
                endif()
            endforeach()
        endforeach()
    endforeach()
endfunction()
