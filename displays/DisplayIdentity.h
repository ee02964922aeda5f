#pragma once

#include <QByteArray>
#include <QString>

#include <initializer_list>

class DisplayInfo;

// What a display class looks at when it decides whether a display is one of its
// models: the identity the enumeration derived from the display's EDID.
struct DisplayIdentity
{
    QByteArray edid;      // raw EDID bytes, empty when the system gave none
    QString vendor3;      // three-letter EDID manufacturer code, e.g. "GSM"
    QString manufacturer; // long manufacturer name, e.g. "LG"
    QString name;         // model name
    QString name0xFC;     // display-name descriptor
    QString text0xFE;     // unspecified-text descriptor
    quint8 productCode0 = 0;
    quint8 productCode1 = 0;

    static DisplayIdentity fromInfo(const DisplayInfo& info);
    // The identity of an attached display; empty for an unknown id.
    static DisplayIdentity ofDisplay(int displayId);

    // Manufacturer check against codes or names, case-insensitive ("DEL", "DELL").
    bool madeBy(std::initializer_list<const char*> vendors) const;
    // Model check: the model name or the display-name descriptor contains one of the texts.
    bool modelContains(std::initializer_list<const char*> texts) const;
};
