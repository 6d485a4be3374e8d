# The score table, its stored form, the settings store and its faults; record_writer is the
# second copy of the game for the test of two copies writing at once.
add_executable(record_writer record_writer.cpp)
target_link_libraries(record_writer PRIVATE toquel_rules)
toquel_add_test(tst_store SOURCES tst_store.cpp LIBS toquel_rules LABELS scores)
add_dependencies(tst_store record_writer)
