#include "platform/sim/SimGlobalHotKeys.h"

#include "platform/sim/SimWorkstation.h"

#include <QDebug>

SimGlobalHotKeys::SimGlobalHotKeys(SimWorkstation* workstation, QObject* parent) : GlobalHotKeys(parent)
{
    if (workstation)
        connect(workstation, &SimWorkstation::hotKeyPressed, this, &SimGlobalHotKeys::pressed);
}

bool SimGlobalHotKeys::grab(const QKeySequence& keys)
{
    m_grabbed.append(keys);
    return true;
}

void SimGlobalHotKeys::pressed(const QString& keys)
{
    const QKeySequence sequence(keys);
    if (!m_grabbed.contains(sequence)) {
        qDebug() << "SimGlobalHotKeys: key not grabbed" << keys;
        return;
    }
    Q_EMIT activated(sequence);
}
