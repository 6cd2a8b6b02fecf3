# orvex_options: the options dialog with its register screens. A library of its
# own beside orvex_config, so the settings and the register need no widgets.
add_library(orvex_options STATIC
    ${CMAKE_CURRENT_LIST_DIR}/IniOptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniOptions.h
    ${CMAKE_CURRENT_LIST_DIR}/IniOptionsHandlers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniOptionsLifecycle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OptionsHost.h
    ${CMAKE_CURRENT_LIST_DIR}/OptionsDataEditors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OptionsDataEditors.h
    ${CMAKE_CURRENT_LIST_DIR}/OptionsRules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OptionsRules.h
    ${CMAKE_CURRENT_LIST_DIR}/OptionsWidgets.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OptionsWidgets.h)
target_include_directories(orvex_options PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(orvex_options PUBLIC orvex_config orvex_store orvex_serial orvex_protocol
                                           orvex_ui Qt6::Widgets)
