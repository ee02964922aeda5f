#pragma once

#include "db/NetworkSettings.h"

#include <QObject>
#include <QString>

#include <memory>

class UpdateRequest;

// Preference naming a version the user chose not to be told about again.
inline constexpr char VERSION_SKIPPED[] = "SkippedVersion";

// Asks the product's update address whether a newer version exists.
class KaldoUpdate : public QObject
{
    Q_OBJECT
public:
    explicit KaldoUpdate(const NetworkSettings& settings, QObject* parent = nullptr);
    ~KaldoUpdate() override;

    // One check. Both out-parameters end empty when nothing newer (or only the skipped
    // version) is offered; `version` is UPDATE_ERROR when the request failed.
    void CheckUpdate(QString& version, QString& link, bool checkSkipped);

    static QString GetCurrentVersion();
    static bool IsNewVersionLater(const QString& current, const QString& candidate);
    static QString GetSkippedVersion();
    static void SetSkippedVersion(const QString& version);

    UpdateRequest& request() { return *m_request; }
    QString lastVersion() const { return m_lastVersion; }

public slots:
    void slotVersionSkipp();

private:
    std::unique_ptr<UpdateRequest> m_request;
    QString m_lastVersion;
};
