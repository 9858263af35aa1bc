# The embedded images: cv_imagegen draws them into <build>/resources/images
# together with a .qrc listing them; rcc turns that into one source file.
# Sets CINEVUE_IMAGES_SOURCES for the library that embeds them; the library
# calls Q_INIT_RESOURCE(cinevue_images) so that a static link keeps them.
set(CINEVUE_IMAGES_DIR ${CMAKE_BINARY_DIR}/resources/images)
set(CINEVUE_IMAGES_QRC ${CINEVUE_IMAGES_DIR}/cinevue_images.qrc)
set(CINEVUE_IMAGES_CPP ${CMAKE_BINARY_DIR}/resources/qrc_cinevue_images.cpp)

add_custom_command(
    OUTPUT ${CINEVUE_IMAGES_QRC}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:cv_imagegen> ${CINEVUE_IMAGES_DIR}
    DEPENDS cv_imagegen
    COMMENT "Drawing the embedded images"
    VERBATIM)
add_custom_command(
    OUTPUT ${CINEVUE_IMAGES_CPP}
    COMMAND Qt6::rcc --name cinevue_images --output ${CINEVUE_IMAGES_CPP} ${CINEVUE_IMAGES_QRC}
    DEPENDS ${CINEVUE_IMAGES_QRC} Qt6::rcc
    COMMENT "Embedding the images"
    VERBATIM)
set_source_files_properties(${CINEVUE_IMAGES_CPP} PROPERTIES GENERATED TRUE SKIP_AUTOGEN TRUE)
set(CINEVUE_IMAGES_SOURCES ${CINEVUE_IMAGES_CPP})
