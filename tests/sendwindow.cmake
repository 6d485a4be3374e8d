# The send window end to end: posting to a scripted server and to the
# toquel-skore program, started as a process, both on 127.0.0.1.
toquel_add_test(tst_sendwindow SOURCES tst_sendwindow.cpp GameFixture.h
                LIBS toquel_ui Qt6::Network LABELS web)
target_compile_definitions(tst_sendwindow PRIVATE
                           "TOQUEL_SKORE_PROGRAM=\"$<TARGET_FILE:toquel-skore>\"")
add_dependencies(tst_sendwindow toquel-skore)
