target_sources(toquel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/BezVyhryFrm.cpp ${CMAKE_CURRENT_LIST_DIR}/BezVyhryFrm.h
  ${CMAKE_CURRENT_LIST_DIR}/EndOfGame.cpp ${CMAKE_CURRENT_LIST_DIR}/EndOfGame.h
  ${CMAKE_CURRENT_LIST_DIR}/NameValidator.cpp ${CMAKE_CURRENT_LIST_DIR}/NameValidator.h
  ${CMAKE_CURRENT_LIST_DIR}/VyherniFrm.cpp ${CMAKE_CURRENT_LIST_DIR}/VyherniFrm.h
  ${CMAKE_CURRENT_LIST_DIR}/VysledkyFrm.cpp ${CMAKE_CURRENT_LIST_DIR}/VysledkyFrm.h)
