#pragma once

#include "platform/SystemLog.h"

// syslog(3), which the journal collects on systemd machines.
class LinuxSystemLog : public SystemLog
{
public:
    void warning(const QString& text) const override;
};
