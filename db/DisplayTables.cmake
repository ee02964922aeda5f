# Display tables: known displays and their settings, the current-display snapshot,
# current LUTs, QA status values, statistics, ambient readings and pending safe-system tasks.
lutloader_library(lutloader_dbtables
  SOURCES
    DBDisplays.cpp
    DBDisplayCurrentLUT.cpp
    DBStatusDisplays.cpp
    DBDisplayStatistic.cpp
    DBDisplaysAmbient.cpp
    DBShutdownSafeSystem.cpp
    DBCurrentDisplays.cpp
    DBUtils.cpp
    DBUniformity.cpp
    DBHistory.cpp
    DBQAHistory.cpp
    HistoryPreferences.cpp
    DBHistoryQAScheduling.cpp
    DBCalHistory.cpp
    DBCalMeasurements.cpp
    DBCalLUTs.cpp
  DEPS lutloader_db lutloader_displays lutloader_settings Qt6::Core)
