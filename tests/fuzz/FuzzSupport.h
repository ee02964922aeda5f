#pragma once

#include <QString>

// What the fuzz programs share: quiet logging (a parser under attack logs on nearly
// every input, and the log would cost more than the parsing) and a private folder for
// inputs that the code under test only reads from files.
namespace FuzzSupport {

void quiet();
// This process's scratch folder: LUTLOADER_DATA_DIR when set (and then also set for
// the code under test), else a new folder below the temporary directory.
QString scratchFolder();
// Makes the simulated workstation the platform of this process, once.
void useSimulatedPlatform();

} // namespace FuzzSupport
