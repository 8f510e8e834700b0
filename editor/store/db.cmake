# Database wrapper: CMongoDB over a MongoDB server (libmongoc) or an embedded SQLite file.
add_library(xal_db STATIC
  ${CMAKE_CURRENT_LIST_DIR}/mongodb_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_record_access.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mongodb.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_match.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_embedded.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_mongo.cpp
)
set_target_properties(xal_db PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC OFF)
target_include_directories(xal_db PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(xal_db
  PUBLIC Qt6::Core
  PRIVATE PkgConfig::MONGOC PkgConfig::BSON PkgConfig::SQLITE3)

if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/xaldb_main.cpp)
  add_executable(xaldb ${CMAKE_CURRENT_LIST_DIR}/xaldb_main.cpp)
  set_target_properties(xaldb PROPERTIES AUTOMOC OFF)
  target_link_libraries(xaldb PRIVATE xal_db XalTools)
endif()
