# The game's rules and course without a window (and the registry reader the about window
# uses), then the game through its windows.
toquel_add_test(tst_rules SOURCES tst_rules.cpp LIBS toquel_rules toquel_toolkit LABELS game)
toquel_add_test(tst_game SOURCES tst_game.cpp GameFixture.h LIBS toquel_app LABELS game)
