# Warnings on our own code. Third-party headers (Qt, GoogleTest, unixODBC, SQLite) come through
# imported targets or the compiler's own include path, so they are system headers and stay quiet.
add_compile_options(-Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wcast-qual -Wformat=2)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports impossible overlaps in inlined std::string assignments at -O2 (its bug 105329).
    add_compile_options(-Wno-restrict)
endif()
if(TARVIK_WERROR)
    add_compile_options(-Werror)
endif()

# The value types and the ODBC layer move lengths, indicators and numbers between C++ and the driver
# manager's integer types, where a silent narrowing or sign change would corrupt data: there every
# such conversion is written out (static_cast where the range is known, Narrow from core/Narrow.h
# where it is not).
function(tarvik_strict_conversions)
    foreach(target ${ARGN})
        target_compile_options(${target} PRIVATE -Wconversion -Wsign-conversion)
    endforeach()
endfunction()
