#pragma once

#include "displays/DisplayTypes.h"

#include <QThread>

#include <memory>

class BaseDisplay;

// Probes one display on a thread of its own, so the thread that asked keeps serving
// its events while slow display channels answer. The result is handed to the thread
// that created this object.
class DetectDisplayThread : public QThread
{
    Q_OBJECT
public:
    DetectDisplayThread(int displayId, displayiface_t iface, displayiface_t lutIface, int port, bool flag,
                        QObject* parent = nullptr);
    ~DetectDisplayThread() override;

    // The detected display (owned by the caller from now on), null when none; valid
    // once the thread has finished.
    BaseDisplay* takeResult();

protected:
    void run() override;

private:
    const int m_displayId;
    const displayiface_t m_iface;
    const displayiface_t m_lutIface;
    const int m_port;
    const bool m_flag;
    QThread* const m_owner;
    std::unique_ptr<BaseDisplay> m_result;
};
