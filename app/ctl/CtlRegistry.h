#pragma once

#include "app/ctl/CtlCommand.h"

// Every subcommand of lutloaderctl; a subsystem adds its command here.
class CtlRegistry
{
public:
    static CtlCommandList commands();
};
