#pragma once

// Keys of the cross-process busy locks shared with the main application.
inline constexpr const char* SHARED_MEMORY_KEY_CALIBRATION = "calibrationprocess";
inline constexpr const char* SHARED_MEMORY_KEY_SCHEDULING = "schedulingprocess";
inline constexpr const char* SHARED_MEMORY_KEY_SYNCHRONIZATION = "synchronizationprocess";
inline constexpr const char* SHARED_MEMORY_KEY_LUT = "lut";
inline constexpr const char* SHARED_MEMORY_KEY_CANNONDETECT = "canondetectprocess";
inline constexpr const char* SHARED_MEMORY_KEY_DB = "dbcreate";
inline constexpr const char* SHARED_MEMORY_KEY_APPCONNECTOR_WRITE = "appconnectorwrite";
inline constexpr const char* SHARED_MEMORY_KEY_MASS_CALIBRATION = "masscalprocess";
inline constexpr const char* SHARED_MEMORY_KEY_SINGLE_APPLICATION = "SingleApplicationKey";
