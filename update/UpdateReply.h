#pragma once

#include <QString>

// The update server's answer: an XML document whose `update` element carries the newest
// version in its attribute and the download address in its `link` child. Read apart from
// the request, so that whatever a server sends is handled by code without side effects.
class UpdateReply
{
public:
    UpdateReply() = delete;

    // The version and link of `reply`; false (both empty) when the reply is no XML.
    static bool parse(const QString& reply, QString& version, QString& link);
    // True when `candidate` is later than `current`, compared part by part as numbers.
    static bool isNewVersionLater(const QString& current, const QString& candidate);
};
