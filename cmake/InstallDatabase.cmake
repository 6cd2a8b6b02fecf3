# Installer step for the database: the program folder gets Database/ with the
# five empty tables and the alias file that names it, made by the orvexdb
# command from the build tree. Existing tables and an existing alias
# definition are left as they are, so installing again never loses data.
install(TARGETS orvexdb RUNTIME DESTINATION .)
# The package makes its tables when it is installed on the site (postinst).
if(NOT ORVEX_PACKAGE)
    install(CODE "
        set(_orvex_prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
        message(STATUS \"Database: \${_orvex_prefix}/Database\")
        execute_process(COMMAND \"$<TARGET_FILE:orvexdb>\" \"\${_orvex_prefix}\"
                        RESULT_VARIABLE _orvex_result)
        if(NOT _orvex_result EQUAL 0)
            message(FATAL_ERROR \"orvexdb failed: \${_orvex_result}\")
        endif()
    ")
endif()
