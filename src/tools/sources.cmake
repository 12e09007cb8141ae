# The program tools: the line rewriter, Clean, Numbering, Find and Replace, with the
# program window's and the frame's operations that run them.
target_sources(kordavel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RewriteLines.cpp ${CMAKE_CURRENT_LIST_DIR}/RewriteLines.h
  ${CMAKE_CURRENT_LIST_DIR}/RtfPieces.cpp ${CMAKE_CURRENT_LIST_DIR}/RtfPieces.h
  ${CMAKE_CURRENT_LIST_DIR}/SymbolBox.cpp ${CMAKE_CURRENT_LIST_DIR}/SymbolBox.h
  ${CMAKE_CURRENT_LIST_DIR}/frmClean.cpp ${CMAKE_CURRENT_LIST_DIR}/frmClean.h
  ${CMAKE_CURRENT_LIST_DIR}/frmNumbering.cpp ${CMAKE_CURRENT_LIST_DIR}/frmNumbering.h
  ${CMAKE_CURRENT_LIST_DIR}/LayoutPause.h
  ${CMAKE_CURRENT_LIST_DIR}/TextSearch.cpp ${CMAKE_CURRENT_LIST_DIR}/TextSearch.h
  ${CMAKE_CURRENT_LIST_DIR}/frmFindReplace.cpp ${CMAKE_CURRENT_LIST_DIR}/frmFindReplace.h
  ${CMAKE_CURRENT_LIST_DIR}/../program/frmProgramTools.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/frmMainTools.cpp
)
