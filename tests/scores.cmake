# The score table, its stored form and the settings store.
toquel_add_test(tst_cp1250 SOURCES tst_cp1250.cpp LIBS toquel_rules Qt6::Widgets LABELS scores)
toquel_add_test(tst_scoretable SOURCES tst_scoretable.cpp LIBS toquel_rules Qt6::Widgets LABELS scores)
toquel_add_test(tst_storedtable SOURCES tst_storedtable.cpp LIBS toquel_rules Qt6::Widgets LABELS scores)
