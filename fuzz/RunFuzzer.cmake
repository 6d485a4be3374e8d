# Runs one libFuzzer target for CTest: a fresh copy of the seed corpus, a bounded
# time, and any crash, leak or slow input saved next to it for a regression test.
# Called with -DFUZZER= -DSEEDS= -DWORK= -DSECONDS= -DMAX_LEN=.

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(COPY ${SEEDS}/ DESTINATION ${WORK}/corpus)

execute_process(
  COMMAND ${FUZZER}
    -seed=1
    -max_total_time=${SECONDS}
    -timeout=5
    -rss_limit_mb=2048
    -max_len=${MAX_LEN}
    -print_final_stats=1
    -artifact_prefix=${WORK}/artifacts/
    ${WORK}/corpus
  RESULT_VARIABLE result)

if(NOT result EQUAL 0)
  file(GLOB found ${WORK}/artifacts/*)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input that did it: ${found}")
endif()
