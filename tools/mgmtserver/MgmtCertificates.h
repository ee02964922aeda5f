#pragma once

#include <QString>

// Test certificates made with the openssl tool: a CA, a server certificate for
// 127.0.0.1 signed by it, and an unrelated self-signed one for the same address.
class MgmtCertificates
{
public:
    // Writes ca.pem, server.pem, server.key, rogue.pem, rogue.key into `folder`.
    static bool make(const QString& folder, QString* error);
    static QString caFile(const QString& folder) { return folder + QStringLiteral("/ca.pem"); }
    static QString serverCertificate(const QString& folder) { return folder + QStringLiteral("/server.pem"); }
    static QString serverKey(const QString& folder) { return folder + QStringLiteral("/server.key"); }
    static QString rogueCertificate(const QString& folder) { return folder + QStringLiteral("/rogue.pem"); }
    static QString rogueKey(const QString& folder) { return folder + QStringLiteral("/rogue.key"); }
};
