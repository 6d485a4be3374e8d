# Regression tests for what the fuzz targets (fuzz/, preset "fuzz") found.
toquel_add_test(tst_fuzzfinds SOURCES tst_fuzzfinds.cpp LIBS toquel_rules Qt6::Widgets
                LABELS regression)
