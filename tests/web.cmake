# The form body, the reply judge and the send window.
toquel_add_test(tst_formbody SOURCES tst_formbody.cpp LIBS toquel_rules LABELS web)
toquel_add_test(tst_replyjudge SOURCES tst_replyjudge.cpp LIBS toquel_rules LABELS web)
toquel_add_test(tst_sendwindow SOURCES tst_sendwindow.cpp GameFixture.h LocalHttpServer.h
                LIBS toquel_ui Qt6::Network LABELS web)
