#include "app/ctl/CtlRegistry.h"

#include "app/ctl/LockCommand.h"
#include "app/ctl/SimCommand.h"
#include "lut/ctl/ProfileCommand.h"
#include "color/ctl/ColorCommand.h"
#include "settings/ctl/SettingsCommand.h"
#include "db/ctl/DbCommand.h"
#include "db/ctl/PrefCommand.h"

CtlCommandList CtlRegistry::commands()
{
    CtlCommandList list;
    list.push_back(std::make_unique<LockCommand>());
    list.push_back(std::make_unique<SimCommand>());
    list.push_back(std::make_unique<ProfileCommand>());
    list.push_back(std::make_unique<ColorCommand>());
    list.push_back(std::make_unique<SettingsCommand>());
    list.push_back(std::make_unique<DbCommand>());
    list.push_back(std::make_unique<PrefCommand>());
    return list;
}
