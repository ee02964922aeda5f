#include "app/ctl/CtlRegistry.h"

#include "app/ctl/LockCommand.h"
#include "app/ctl/SendCommand.h"
#include "app/ctl/SimCommand.h"
#include "color/ctl/ColorCommand.h"
#include "db/ctl/DbCommand.h"
#include "db/ctl/DisplayTablesCommand.h"
#include "db/ctl/PrefCommand.h"
#include "displays/ctl/CapsCommand.h"
#include "displays/ctl/DdcCommand.h"
#include "displays/ctl/DetectCommand.h"
#include "displays/ctl/DisplaysCommand.h"
#include "displays/ctl/EdidCommand.h"
#include "lut/ctl/GammaCommand.h"
#include "lut/ctl/LutCommand.h"
#include "lut/ctl/ProfileCommand.h"
#include "qa/ctl/HistoryCommand.h"
#include "qa/ctl/QaCommand.h"
#include "qa/ctl/RegulationCommand.h"
#include "sensors/ctl/SensorCommand.h"
#include "settings/ctl/SettingsCommand.h"
#include "sync/ctl/SyncCommand.h"
#include "tasks/ctl/TasksCommand.h"
#include "update/ctl/UpdateCommand.h"

CtlCommandList CtlRegistry::commands()
{
    CtlCommandList list;
    list.push_back(std::make_unique<LockCommand>());
    list.push_back(std::make_unique<SimCommand>());
    list.push_back(std::make_unique<SendCommand>());
    list.push_back(std::make_unique<ProfileCommand>());
    list.push_back(std::make_unique<ColorCommand>());
    list.push_back(std::make_unique<EdidCommand>());
    list.push_back(std::make_unique<DisplaysCommand>());
    list.push_back(std::make_unique<DetectCommand>());
    list.push_back(std::make_unique<GammaCommand>());
    list.push_back(std::make_unique<TasksCommand>());
    list.push_back(std::make_unique<DbCommand>());
    list.push_back(std::make_unique<PrefCommand>());
    list.push_back(std::make_unique<DisplayTablesCommand>());
    list.push_back(std::make_unique<SettingsCommand>());
    list.push_back(std::make_unique<LutCommand>());
    list.push_back(std::make_unique<SyncCommand>());
    list.push_back(std::make_unique<CapsCommand>());
    list.push_back(std::make_unique<DdcCommand>());
    list.push_back(std::make_unique<RegulationCommand>());
    list.push_back(std::make_unique<QaCommand>());
    list.push_back(std::make_unique<UpdateCommand>());
    list.push_back(std::make_unique<HistoryCommand>());
    list.push_back(std::make_unique<SensorCommand>());
    return list;
}
