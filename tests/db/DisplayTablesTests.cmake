# Display tables through the real engine on the test program's own database file.
lutloader_test(test_db_display_tables
  SOURCES DBDisplaysTest.cpp DisplayRecordTablesTest.cpp
  DEPS lutloader_dbtables lutloader_settings LABELS db)
