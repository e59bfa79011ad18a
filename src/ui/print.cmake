# Printing the tape through Qt. Built with or without the window: the batch
# driver prints with it too.
add_library(tallyroller_print STATIC ${CMAKE_CURRENT_LIST_DIR}/tape_printer.cpp)
target_include_directories(tallyroller_print PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tallyroller_print
  PUBLIC tallyroller_tape Qt6::Gui Qt6::PrintSupport
  PRIVATE tallyroller_qt_flags)
