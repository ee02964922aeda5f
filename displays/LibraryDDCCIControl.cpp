#include "displays/LibraryDDCCIControl.h"

#include <QDebug>

LibraryDDCCIControl::LibraryDDCCIControl(int displayId, int deviceType, QStringList libraryNames)
    : DDCCIControl(displayId), m_deviceType(deviceType), m_libraryNames(std::move(libraryNames))
{
}

bool LibraryDDCCIControl::test()
{
    for (const QString& name : m_libraryNames) {
        QLibrary library(name);
        if (library.load()) {
            qDebug().noquote() << "LibraryDDCCIControl type" << m_deviceType << ":" << library.fileName()
                               << "is present, but this build has no binding for it";
            library.unload();
            return false;
        }
    }
    qDebug().noquote() << "LibraryDDCCIControl type" << m_deviceType << ": no"
                       << m_libraryNames.join(QStringLiteral(", ")) << "on this system";
    return false;
}

int LibraryDDCCIControl::read(unsigned char* /*buf*/, unsigned /*maxBytes*/)
{
    setLastError(ErrorBusCall);
    return -1;
}

int LibraryDDCCIControl::write(unsigned char* /*payload*/, unsigned /*len*/, unsigned /*delayMs*/)
{
    setLastError(ErrorBusCall);
    return -1;
}
