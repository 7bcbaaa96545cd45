# The fuzz build's ctest test for a libFuzzer target: a fresh corpus in the build tree, filled by
# SEED_COMMAND (run with the corpus folder as its last argument) and/or read alongside the SEEDS folder,
# fuzzed for TARVIK_FUZZ_SECONDS with inputs of at most MAX_LEN bytes. The random seed is fixed so that
# the test command's verdict does not depend on luck; a run by hand without -seed explores further.
set(TARVIK_FUZZ_SECONDS 25 CACHE STRING "Seconds each fuzz target runs under ctest")

function(tarvik_fuzz_test target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "MAX_LEN;SEEDS" "SEED_COMMAND")
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${target}_corpus)
    set(seed "")
    if(arg_SEED_COMMAND)
        list(JOIN arg_SEED_COMMAND " " seed)
        set(seed "${seed} '${corpus}' && ")
    endif()
    add_test(NAME ${target}
             COMMAND sh -c "rm -rf '${corpus}' && mkdir -p '${corpus}' && ${seed}$<TARGET_FILE:${target}> -seed=1 -max_total_time=${TARVIK_FUZZ_SECONDS} -rss_limit_mb=1024 -max_len=${arg_MAX_LEN} '${corpus}' ${arg_SEEDS}")
    set_tests_properties(${target} PROPERTIES TIMEOUT 300)
endfunction()
