# velmora_add_docdata(<target> FOLDER <assembled folder> [DEPENDS <files or targets>...])
#
# Runs velmora-embedgen over an assembled documentation folder and wraps the
# generated tables in an OBJECT library. Link it straight into an executable:
# the table symbols are then always present for the store's lookups.
function(velmora_add_docdata target)
    cmake_parse_arguments(A "" "FOLDER" "DEPENDS" ${ARGN})
    # A folder that exists at configure time is tracked file by file, so an
    # edited page or image rebuilds the table; a generated folder is tracked
    # through the DEPENDS its producer gives.
    if(IS_DIRECTORY "${A_FOLDER}" AND NOT A_DEPENDS)
        file(GLOB folder_files CONFIGURE_DEPENDS "${A_FOLDER}/*")
        list(APPEND A_DEPENDS ${folder_files})
    endif()
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}")
    set(outputs
        "${out}/embedded_files.cpp"
        "${out}/embedded_images.cpp"
        "${out}/embedded_blobs.S")
    add_custom_command(
        OUTPUT ${outputs} "${out}/files.bin" "${out}/images.bin"
        COMMAND velmora-embedgen "${A_FOLDER}" "${out}"
        DEPENDS velmora-embedgen ${A_DEPENDS}
        COMMENT "Embedding documentation folder ${A_FOLDER}"
        VERBATIM)
    # The installer that chains the image factory in before main goes into
    # the same object library: a program that carries the tables always
    # carries it too, and the generated code names nothing of the store.
    add_library(${target} OBJECT ${outputs} "${PROJECT_SOURCE_DIR}/store/tableinstaller.cpp")
    set_source_files_properties(${outputs} PROPERTIES SKIP_AUTOMOC ON SKIP_AUTOUIC ON)
    target_link_libraries(${target} PRIVATE velmora_store)
endfunction()
