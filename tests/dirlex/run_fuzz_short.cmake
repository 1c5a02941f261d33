# Runs the listing-parser fuzzer for 20 seconds from the seed corpus; new inputs go to a
# scratch corpus in the build tree, so the source tree stays untouched.
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
execute_process(COMMAND ${FUZZER} -max_total_time=20 -timeout=5 -rss_limit_mb=2048 -max_len=4096
                        -print_final_stats=1 -artifact_prefix=${WORK}/artifacts/
                        ${WORK}/corpus ${SEEDS}
                RESULT_VARIABLE status TIMEOUT 50)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the fuzzer found a failure (${status}); see ${WORK}/artifacts")
endif()
