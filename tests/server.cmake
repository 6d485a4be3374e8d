# The score board server: its rules without sockets, the server end to end
# (HTTP over 127.0.0.1, storage on SQLite and PostgreSQL, the program), and
# the game's send window posting to it. The PostgreSQL rows run when
# TOQUEL_TEST_PG_URL names a cluster (scripts/with-postgres.sh).
find_package(Qt6 6.4 REQUIRED COMPONENTS Sql)

toquel_add_test(tst_server_rules SOURCES tst_server_rules.cpp
                LIBS toquel_skore_core LABELS server)
toquel_add_test(tst_server SOURCES tst_server.cpp ServerTestSupport.h
                LIBS toquel_skore_http Qt6::Sql Qt6::Network LABELS server)
target_compile_definitions(tst_server PRIVATE
                           "TOQUEL_SKORE_PROGRAM=\"$<TARGET_FILE:toquel-skore>\"")
add_dependencies(tst_server toquel-skore)
toquel_add_test(tst_server_game SOURCES tst_server_game.cpp GameFixture.h ServerTestSupport.h
                LIBS toquel_ui toquel_skore_http Qt6::Sql Qt6::Network LABELS server)
