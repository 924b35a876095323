# The viewer plug-ins the host tests load: a full one and one with only a picture size.
add_library(velmordian_test_plugin MODULE ${CMAKE_CURRENT_LIST_DIR}/plugin/TestPlugin.cpp)
target_include_directories(velmordian_test_plugin PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(velmordian_test_plugin PRIVATE velmordian_strict_flags)

add_library(velmordian_test_size_plugin MODULE ${CMAKE_CURRENT_LIST_DIR}/plugin/SizeOnlyPlugin.cpp)
target_link_libraries(velmordian_test_size_plugin PRIVATE velmordian_strict_flags)

add_dependencies(velmordian_app_tests velmordian_test_plugin velmordian_test_size_plugin)
target_compile_definitions(velmordian_app_tests PRIVATE
    VELMORDIAN_TEST_PLUGIN="$<TARGET_FILE:velmordian_test_plugin>"
    VELMORDIAN_TEST_SIZE_PLUGIN="$<TARGET_FILE:velmordian_test_size_plugin>")
