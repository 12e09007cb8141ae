# The DNC channel: serial layer, line settings, transfer engine, code tables, line events.
target_sources(kordavel_core PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/CodeTables.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/CodeTables.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/CommTypes.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/ErrorTexts.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/ErrorTexts.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/FakeLine.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/FakeLine.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/LineSettings.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/LineSettings.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/MarkedInput.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/MarkedInput.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/PortNames.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/PortNames.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/SerialLine.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/SerialLine.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/SerialPortLine.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/SerialPortLine.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/TerminalCalls.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/TerminalCalls.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/ucDnc.cpp ${CMAKE_CURRENT_SOURCE_DIR}/dnc/ucDnc.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/ucDncEvents.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dnc/ucDncTransfer.cpp
)
