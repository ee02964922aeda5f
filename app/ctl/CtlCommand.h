#pragma once

#include <QString>

#include <memory>
#include <vector>

class CtlContext;

// One subcommand of lutloaderctl ("lock", "sim", ...).
class CtlCommand
{
public:
    virtual ~CtlCommand() = default;
    virtual QString name() const = 0;
    virtual QString usage() const = 0;
    // `context.arguments()` holds what follows the subcommand's name.
    virtual int run(const CtlContext& context) const = 0;
};

using CtlCommandList = std::vector<std::unique_ptr<CtlCommand>>;
