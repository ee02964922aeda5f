#pragma once

#include "platform/MatroxOutput.h"
#include "platform/XeniaBoard.h"

#include <QString>

#include <memory>

// The display driver interface of Matrox boards. It comes with the board's driver, so
// on most machines it is absent and every open answers null with the reason.
// Thread-safe; the objects it opens are not.
class MatroxBoards
{
public:
    virtual ~MatroxBoards() = default;

    // A device context of `output` on the Matrox driver.
    virtual std::unique_ptr<MatroxOutput> openOutput(const QString& output,
                                                     QString* error = nullptr) const = 0;
    // The Xenia board that drives the board display `boardDisplayId`.
    virtual std::unique_ptr<XeniaBoard> openXenia(int boardDisplayId, QString* error = nullptr) const = 0;
};
