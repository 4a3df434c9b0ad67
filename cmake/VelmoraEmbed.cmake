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
        OUTPUT ${outputs} "${out}/files.bin" "${out}/images.bin" "${out}/index.frozen"
               "${out}/contents.frozen"
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

# velmora_add_searchdata(<target> FOLDER <assembled folder> [DEPENDS <files or targets>...])
#
# Runs velmora-searchindex over the pages of an assembled folder and wraps the
# database image in an OBJECT library that registers it with the search. A
# program that links it searches that index; one that does not has no
# full-text search and says so.
function(velmora_add_searchdata target)
    cmake_parse_arguments(A "" "FOLDER" "DEPENDS" ${ARGN})
    if(IS_DIRECTORY "${A_FOLDER}" AND NOT A_DEPENDS)
        file(GLOB folder_pages CONFIGURE_DEPENDS "${A_FOLDER}/*.html")
        list(APPEND A_DEPENDS ${folder_pages})
    endif()
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}")
    add_custom_command(
        OUTPUT "${out}/embedded_search.S" "${out}/search.db"
        COMMAND velmora-searchindex "${A_FOLDER}" "${out}"
        DEPENDS velmora-searchindex ${A_DEPENDS}
        COMMENT "Indexing the pages of ${A_FOLDER} for full-text search"
        VERBATIM)
    add_library(${target} OBJECT
        "${out}/embedded_search.S"
        "${PROJECT_SOURCE_DIR}/search/searchdata.cpp")
    set_source_files_properties("${out}/embedded_search.S" PROPERTIES SKIP_AUTOMOC ON SKIP_AUTOUIC ON)
    target_link_libraries(${target} PRIVATE velmora_search velmora_flags)
    # For the benchmark, which indexes the same folder again to time it.
    set_target_properties(${target} PROPERTIES VELMORA_INDEXED_FOLDER "${A_FOLDER}")
endfunction()
