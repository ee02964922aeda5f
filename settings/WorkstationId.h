#pragma once

#include <QString>

class PreferenceStore;
class QRandomGenerator;

// The identifier by which the management server knows this workstation: 32
// characters drawn uniformly from "A"-"Y", "a"-"y" and "0"-"8".
class WorkstationId
{
public:
    static constexpr int LENGTH = 32;
    static const QString& alphabet();

    static QString generate(QRandomGenerator& random);
    // The stored "synchronizeid"; a new one is made and stored (marked for upload) when there is none.
    static QString get(PreferenceStore& preferences);
};
