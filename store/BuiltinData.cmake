# The built-in word lists are compiled in: store/wordlists.tsv becomes a C++
# table of CP932 meanings at build time, and a fault in the data stops the
# build instead of reaching a learner.
set(VOKABO_BUILTIN_LISTS_CPP ${CMAKE_CURRENT_BINARY_DIR}/BuiltinLists.cpp)
add_custom_command(
    OUTPUT ${VOKABO_BUILTIN_LISTS_CPP}
    COMMAND ${VOKABO_PYTHON} -B ${CMAKE_CURRENT_LIST_DIR}/gen_wordlists.py
            ${CMAKE_CURRENT_LIST_DIR}/wordlists.tsv
            ${PROJECT_SOURCE_DIR}/res/phonetic_code.tsv
            ${VOKABO_BUILTIN_LISTS_CPP}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gen_wordlists.py
            ${PROJECT_SOURCE_DIR}/res/phonetic_code.py
            ${CMAKE_CURRENT_LIST_DIR}/wordlists.tsv
            ${PROJECT_SOURCE_DIR}/res/phonetic_code.tsv
    COMMENT "Generating the built-in word lists from store/wordlists.tsv"
    VERBATIM)
target_sources(vokabo_store PRIVATE ${CMAKE_CURRENT_LIST_DIR}/BuiltinLists.h ${VOKABO_BUILTIN_LISTS_CPP})
