# The phonetic font "triphibian" is made at build time from DejaVu Sans, so the
# glyphs always follow res/phonetic_code.tsv. The program loads
# ./res/triphibian.ttf relative to its working directory, and the tests run in
# the build directory, hence the fixed place in the build tree.
find_file(VOKABO_DEJAVU_SANS DejaVuSans.ttf
    PATHS /usr/share/fonts/truetype/dejavu
    NO_DEFAULT_PATH REQUIRED)

set(VOKABO_TRIPHIBIAN_TTF ${CMAKE_BINARY_DIR}/res/triphibian.ttf)
add_custom_command(
    OUTPUT ${VOKABO_TRIPHIBIAN_TTF}
    COMMAND ${VOKABO_PYTHON} -B ${CMAKE_CURRENT_LIST_DIR}/make_triphibian.py
            ${VOKABO_DEJAVU_SANS}
            ${CMAKE_CURRENT_LIST_DIR}/phonetic_code.tsv
            ${VOKABO_TRIPHIBIAN_TTF}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_triphibian.py
            ${PROJECT_SOURCE_DIR}/res/phonetic_code.py
            ${CMAKE_CURRENT_LIST_DIR}/phonetic_code.tsv
            ${VOKABO_DEJAVU_SANS}
    COMMENT "Building the phonetic font res/triphibian.ttf"
    VERBATIM)
add_custom_target(triphibian_font ALL DEPENDS ${VOKABO_TRIPHIBIAN_TTF})
# Whatever links the windows (the program, the Qt tests) finds the font built.
add_dependencies(vokabo_res triphibian_font)

# The tests check the lists and the font against the same code table.
configure_file(phonetic_code.tsv ${CMAKE_BINARY_DIR}/res/phonetic_code.tsv COPYONLY)
