# Writes the private odbcinst.ini and odbc.ini from the sections the folders registered, twice: the
# pair a person and `scripts/tarvik run` use (build/odbc, demo server VIDROL in the build tree) and the
# tests' pair (TARVIK_ODBC_DIR), whose VIDROL is a copy the tests' fixture makes, so a test never reads
# what someone changed in the demo and a test run never disturbs a running demo.
get_property(_inst GLOBAL PROPERTY TARVIK_ODBCINST_SECTIONS)
get_property(_dsn GLOBAL PROPERTY TARVIK_ODBC_SECTIONS)
string(REPLACE ";" "\n" _inst "${_inst}")
string(REPLACE ";" "\n" _dsn "${_dsn}")

# Sections may name the demo server's directory as @TARVIK_DEMO_SERVER_DIR@.
function(tarvik_write_odbc_ini dir TARVIK_DEMO_SERVER_DIR)
    file(MAKE_DIRECTORY ${dir})
    string(CONFIGURE "${_inst}" inst @ONLY)
    string(CONFIGURE "${_dsn}" dsn @ONLY)
    file(WRITE ${dir}/odbcinst.ini "[ODBC]\nTrace=No\n\n${inst}")
    # A running fixture has put its own port into odbc.ini: keep it across re-configures.
    set(port_file ${dir}/pg.state)
    if(EXISTS ${port_file})
        file(STRINGS ${port_file} port REGEX "^port=")
        string(REPLACE "port=" "" port "${port}")
        if(port)
            string(REPLACE "Port=5432" "Port=${port}" dsn "${dsn}")
        endif()
    endif()
    file(WRITE ${dir}/odbc.ini "${dsn}")
endfunction()

tarvik_write_odbc_ini(${CMAKE_BINARY_DIR}/odbc ${TARVIK_STANDIN_SERVERS}/VIDROL)
tarvik_write_odbc_ini(${TARVIK_ODBC_DIR} ${TARVIK_STANDIN_TEST_DEMO})
