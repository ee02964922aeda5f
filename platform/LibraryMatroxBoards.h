#pragma once

#include "platform/MatroxBoards.h"

#include <QLibrary>
#include <QMutex>

// The Matrox driver interface through the board's control library, loaded at run time
// by name on first use. Without the library (no Matrox driver installed) nothing opens.
class LibraryMatroxBoards : public MatroxBoards
{
public:
    static constexpr const char* LIBRARY_NAME = "mtxdispctl";

    explicit LibraryMatroxBoards(QString libraryName = QString::fromLatin1(LIBRARY_NAME));

    std::unique_ptr<MatroxOutput> openOutput(const QString& output, QString* error = nullptr) const override;
    std::unique_ptr<XeniaBoard> openXenia(int boardDisplayId, QString* error = nullptr) const override;

private:
    // The library's entry point `name`, or null (with the reason in `error`).
    QFunctionPointer resolve(const char* name, QString* error) const;

    const QString m_libraryName;
    mutable QMutex m_mutex;
    mutable QLibrary m_library;
    mutable bool m_loadTried = false;
};
