#include "platform/win/WinDDCBuses.h"

std::unique_ptr<DDCBus> WinDDCBuses::open(const QString& output, QString* error) const
{
    if (error)
        *error = QStringLiteral("%1: no raw DDC bus on Windows; the helper library transports reach it")
                     .arg(output);
    return nullptr;
}
