# Runs one fuzz target for a bounded time on a fresh copy of its seed corpus (the fuzzer adds
# what it finds to the copy, never to the committed seeds). Fails on any finding.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(COPY "${SEEDS}/" DESTINATION "${WORK}/corpus")
execute_process(
    COMMAND "${FUZZER}" -max_total_time=${SECONDS} -print_final_stats=1 -rss_limit_mb=2048
            -timeout=10 "-artifact_prefix=${WORK}/artifacts/" "${WORK}/corpus"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} found a problem (exit ${result}); see ${WORK}/artifacts")
endif()
