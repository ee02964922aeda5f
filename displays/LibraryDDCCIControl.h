#pragma once

#include "displays/DDCCIControl.h"

#include <QLibrary>
#include <QStringList>

// A transport that needs a display maker's own control library. The library is looked up by
// name (its Windows name and, where the maker ships one, its Linux name) when the transport
// is tested; it is never required. Absent, the test fails with one log line and the next
// candidate is tried. This build knows none of the libraries' entry points, so a library
// that is present is reported and the candidate still fails rather than guessing at calls.
class LibraryDDCCIControl : public DDCCIControl
{
public:
    LibraryDDCCIControl(int displayId, int deviceType, QStringList libraryNames);

    bool test() override;
    int read(unsigned char* buf, unsigned maxBytes) override;
    int write(unsigned char* payload, unsigned len, unsigned delayMs) override;

    int deviceType() const { return m_deviceType; }

private:
    int m_deviceType;
    QStringList m_libraryNames;
};
