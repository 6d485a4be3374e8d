# The score board server: its rules without sockets, the server end to end
# (HTTP over 127.0.0.1, storage on SQLite and PostgreSQL, the program), and
# the HTTP front under siege. The PostgreSQL rows run when
# TOQUEL_TEST_PG_URL names a cluster (scripts/with-postgres.sh).
toquel_add_test(tst_server_rules SOURCES tst_server_rules.cpp
                LIBS toquel_skore_core LABELS server)
toquel_add_test(tst_server SOURCES tst_server.cpp ServerTestSupport.h
                LIBS toquel_skore_http Qt6::Network LABELS server)
target_compile_definitions(tst_server PRIVATE
                           "TOQUEL_SKORE_PROGRAM=\"$<TARGET_FILE:toquel-skore>\"")
add_dependencies(tst_server toquel-skore)
toquel_add_test(tst_http_front SOURCES tst_http_front.cpp ServerTestSupport.h
                LIBS toquel_skore_http Qt6::Network LABELS server)

# The unit checked as systemd reads it, where systemd is there to ask.
find_program(SYSTEMD_ANALYZE systemd-analyze)
if(SYSTEMD_ANALYZE)
  add_test(NAME toquel-skore.service COMMAND ${SYSTEMD_ANALYZE} verify
           ${PROJECT_BINARY_DIR}/server/check/toquel-skore.service)
  # verify only warns about a key it does not know or cannot parse: those fail too.
  set_tests_properties(toquel-skore.service PROPERTIES LABELS server
                       FAIL_REGULAR_EXPRESSION "toquel-skore.service:[0-9]+:")
endif()
