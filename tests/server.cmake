# The score board server: its rules, its storage on SQLite and PostgreSQL, its
# HTTP end to end. The PostgreSQL
# rows run when TOQUEL_TEST_PG_URL names a cluster (scripts/with-postgres.sh).
find_package(Qt6 6.4 REQUIRED COMPONENTS Sql)

toquel_add_test(tst_server_rules SOURCES tst_server_rules.cpp
                LIBS toquel_skore_core LABELS server)
toquel_add_test(tst_server_storage SOURCES tst_server_storage.cpp ServerTestSupport.h
                LIBS toquel_skore_core Qt6::Sql LABELS server)
toquel_add_test(tst_server_http SOURCES tst_server_http.cpp ServerTestSupport.h
                LIBS toquel_skore_http Qt6::Sql LABELS server)
toquel_add_test(tst_server_cli SOURCES tst_server_cli.cpp LIBS toquel_skore_http Qt6::Network
                LABELS server)
target_compile_definitions(tst_server_cli PRIVATE
                           "TOQUEL_SKORE_PROGRAM=\"$<TARGET_FILE:toquel-skore>\"")
add_dependencies(tst_server_cli toquel-skore)
