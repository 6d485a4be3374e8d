# The send window end to end: posting to a scripted server on 127.0.0.1.
toquel_add_test(tst_sendwindow SOURCES tst_sendwindow.cpp GameFixture.h
                LIBS toquel_app Qt6::Network LABELS web)
