#pragma once

#include "displays/DDCCIDisplay.h"

// Sony PVM-2551MD. The factory builds it with the flag true from the DDC/CI probe list
// and with the flag false from the last-resort list.
class SonyPVM2551MD : public DDCCIDisplay
{
    Q_OBJECT
public:
    SonyPVM2551MD(int displayId, bool flag, QObject* parent = nullptr);

    bool flag() const { return m_flag; }

protected:
    bool recognise(const DisplayIdentity& identity) override;

private:
    bool m_flag;
};
