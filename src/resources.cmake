# The information text is compressed into the program at build time by a small host tool.
add_executable(pack_resource ${PROJECT_SOURCE_DIR}/tools/pack_resource.cpp)
target_link_libraries(pack_resource PRIVATE ZLIB::ZLIB)

set(info_source ${PROJECT_SOURCE_DIR}/resources/info.txt)
set(info_generated ${CMAKE_CURRENT_BINARY_DIR}/generated/InfoResourceData.cpp)
add_custom_command(
    OUTPUT ${info_generated}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
    COMMAND pack_resource ${info_source} ${info_generated}
    DEPENDS pack_resource ${info_source}
    COMMENT "Packing the information text"
    VERBATIM)
target_sources(tandrix_app PRIVATE ${info_generated})

# The version shown in the information window is the project version, written only in the
# top-level CMakeLists.txt.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/tandrix/InfoText.cpp PROPERTIES
    COMPILE_DEFINITIONS "TANDRIX_VERSION=\"${PROJECT_VERSION}\"")
