# Display tables through the real engine on the test program's own database file.
add_executable(display_tables_worker DisplayTablesWorker.cpp)
target_link_libraries(display_tables_worker PRIVATE lutloader_options lutloader_dbtables)

lutloader_test(test_db_display_tables
  SOURCES DBDisplaysTest.cpp DisplayRecordTablesTest.cpp TwoWritersTest.cpp RefreshDisplaysInfoTest.cpp
    DisplayTablesCommandTest.cpp NetworkSettingsTest.cpp
  DEPS lutloader_dbtables lutloader_settings LABELS db)
add_dependencies(test_db_display_tables display_tables_worker lutloaderctl)
