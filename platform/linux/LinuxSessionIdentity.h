#pragma once

#include "platform/SessionIdentity.h"

// The user's uid and logind session make the scope of per-session objects.
class LinuxSessionIdentity : public SessionIdentity
{
public:
    QString sessionScope() const override;
    QString computerName() const override;
    QString systemDataDirectory() const override;
    QString runtimeDirectory() const override;
    bool checkRuntimeDirectory(QString* error) const override;

private:
    // $XDG_RUNTIME_DIR, else a folder of this uid under the temporary folder.
    static QString candidateRuntimeDirectory();
};
