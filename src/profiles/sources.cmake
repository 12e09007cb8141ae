# Machine profiles and options: value lists, machine icons, the stored default line
# settings and the Options dialog; with the program window's communication panel and
# transfer control, and the frame's transfer and Options commands.
target_sources(kordavel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ValueLists.cpp ${CMAKE_CURRENT_LIST_DIR}/ValueLists.h
  ${CMAKE_CURRENT_LIST_DIR}/DefaultLineSettings.cpp ${CMAKE_CURRENT_LIST_DIR}/DefaultLineSettings.h
  ${CMAKE_CURRENT_LIST_DIR}/LineSettingsControls.cpp ${CMAKE_CURRENT_LIST_DIR}/LineSettingsControls.h
  ${CMAKE_CURRENT_LIST_DIR}/frmOptions.cpp ${CMAKE_CURRENT_LIST_DIR}/frmOptions.h
  ${CMAKE_CURRENT_LIST_DIR}/../program/Pause.cpp ${CMAKE_CURRENT_LIST_DIR}/../program/Pause.h
  ${CMAKE_CURRENT_LIST_DIR}/../program/TransferSteps.cpp ${CMAKE_CURRENT_LIST_DIR}/../program/TransferSteps.h
  ${CMAKE_CURRENT_LIST_DIR}/../program/ProgramPanel.cpp ${CMAKE_CURRENT_LIST_DIR}/../program/ProgramPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/../program/frmProgramTransfer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/frmMainTransfer.cpp
)
