#include "app/ctl/CtlRegistry.h"

#include "app/ctl/LockCommand.h"
#include "app/ctl/SimCommand.h"
#include "lut/ctl/ProfileCommand.h"
#include "lut/ctl/GammaCommand.h"
#include "color/ctl/ColorCommand.h"
#include "displays/ctl/DisplaysCommand.h"
#include "displays/ctl/EdidCommand.h"

CtlCommandList CtlRegistry::commands()
{
    CtlCommandList list;
    list.push_back(std::make_unique<LockCommand>());
    list.push_back(std::make_unique<SimCommand>());
    list.push_back(std::make_unique<ProfileCommand>());
    list.push_back(std::make_unique<ColorCommand>());
    list.push_back(std::make_unique<GammaCommand>());
    list.push_back(std::make_unique<EdidCommand>());
    list.push_back(std::make_unique<DisplaysCommand>());
    return list;
}
