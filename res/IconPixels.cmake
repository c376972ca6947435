# The window icon is compiled in as decoded pixels: res/icons/vokabo-SIZE.png
# becomes a C++ table at build time, so start-up needs no image reader, whose
# format detection loads every image plugin of the system. The PNGs stay the
# only source; the installed icons for the menu are the same files.

# The sizes a window shows; the menu takes the larger files from the install.
set(VOKABO_ICON_PNGS)
foreach(size 16 32 48 64)
    list(APPEND VOKABO_ICON_PNGS ${CMAKE_CURRENT_LIST_DIR}/icons/vokabo-${size}.png)
endforeach()
set(VOKABO_ICON_PIXELS_CPP ${CMAKE_CURRENT_BINARY_DIR}/IconPixels.cpp)
add_custom_command(
    OUTPUT ${VOKABO_ICON_PIXELS_CPP}
    COMMAND ${VOKABO_PYTHON} -B ${CMAKE_CURRENT_LIST_DIR}/make_icon_pixels.py
            ${VOKABO_ICON_PIXELS_CPP} ${VOKABO_ICON_PNGS}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_icon_pixels.py ${VOKABO_ICON_PNGS}
    COMMENT "Decoding the window icon's PNGs into res/IconPixels.cpp"
    VERBATIM)
target_sources(vokabo_res PRIVATE ${CMAKE_CURRENT_LIST_DIR}/IconPixels.h ${VOKABO_ICON_PIXELS_CPP})
