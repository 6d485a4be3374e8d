# The form body posted to the score board and the judge of its reply.
toquel_add_test(tst_web SOURCES tst_web.cpp LIBS toquel_rules LABELS web)
