# E-script persistence: the document layout, LoadScript/LoadTestAddData and SaveScript.
add_library(xal_store STATIC
  ${CMAKE_CURRENT_LIST_DIR}/escriptlayout.h
  ${CMAKE_CURRENT_LIST_DIR}/scriptload.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scriptload.h
  ${CMAKE_CURRENT_LIST_DIR}/scriptsave.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scriptsave.h
)
target_include_directories(xal_store PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(xal_store PUBLIC xal_db xal_model xal_trace xal_ui Qt6::Core)
