# The generator sources, shared by make_assets and the test that regenerates the files.
set(GLIMMER_ASSET_GENERATOR_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/mesh_builder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/meshes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/png_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_raster.cpp
    ${CMAKE_CURRENT_LIST_DIR}/images.cpp)
set(GLIMMER_ASSET_GENERATOR_DIR ${CMAKE_CURRENT_LIST_DIR})
