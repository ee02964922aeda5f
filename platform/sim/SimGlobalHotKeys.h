#pragma once

#include "platform/GlobalHotKeys.h"

#include <QList>

class SimWorkstation;

// Hot keys of the simulated workstation: `lutloaderctl sim hotkey KEYS` presses them.
class SimGlobalHotKeys : public GlobalHotKeys
{
    Q_OBJECT
public:
    SimGlobalHotKeys(SimWorkstation* workstation, QObject* parent);

    bool grab(const QKeySequence& keys) override;
    QString unavailableReason() const override { return {}; }

private:
    void pressed(const QString& keys);

    QList<QKeySequence> m_grabbed;
};
