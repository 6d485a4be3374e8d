# The form body and the reply judge.
toquel_add_test(tst_formbody SOURCES tst_formbody.cpp LIBS toquel_rules LABELS web)
toquel_add_test(tst_replyjudge SOURCES tst_replyjudge.cpp LIBS toquel_rules LABELS web)
