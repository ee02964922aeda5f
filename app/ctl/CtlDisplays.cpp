#include "app/ctl/CtlDisplays.h"

#include "db/DB.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "displays/CurrentDisplays.h"
#include "settings/DataDirectory.h"

#include <QDebug>

bool CtlDisplays::registerAttached()
{
    CurrentDisplays::NonCachedRefresh();
    QString error;
    if (!DataDirectory::ensureExists(&error)) {
        qWarning().noquote() << "display ids are the enumeration's:" << error;
        return false;
    }
    DB::setPath(DataDirectory::path());
    if (!DB::get()->IsOpened()) {
        qWarning().noquote() << "display ids are the enumeration's: cannot open" << DB::get()->filePath();
        return false;
    }
    return CurrentDisplays::DisplayCount() == 0 || !DBUtils::RefreshDisplaysInfo().isEmpty();
}
