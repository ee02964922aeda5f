#include "platform/OSUtils.h"

#include "platform/FilePermissions.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"

bool OSUtils::setFullPermissions(const QString& path)
{
    return Platform::backend().filePermissions().setFullPermissions(path);
}

QString OSUtils::computerName()
{
    return Platform::backend().session().computerName();
}
