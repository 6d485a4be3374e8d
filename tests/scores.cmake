# The score table, its stored form and the settings store.
toquel_add_test(tst_cp1250 SOURCES tst_cp1250.cpp LIBS toquel_rules Qt6::Widgets LABELS scores)
toquel_add_test(tst_scoretable SOURCES tst_scoretable.cpp LIBS toquel_rules Qt6::Widgets LABELS scores)
toquel_add_test(tst_storedtable SOURCES tst_storedtable.cpp LIBS toquel_rules Qt6::Widgets LABELS scores)
# Faults of the store, and two copies of the game writing at once.
add_executable(record_writer record_writer.cpp)
target_link_libraries(record_writer PRIVATE toquel_rules)
toquel_add_test(tst_storefaults SOURCES tst_storefaults.cpp GameFixture.h LIBS toquel_ui LABELS scores)
add_dependencies(tst_storefaults record_writer)
