#pragma once

#include "settings/FirstRunPreferences.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

// The user's settings as the program sees them: fills the preferences at start-up,
// publishes the option lists, stores every change (scrambling passwords, keeping
// unit-dependent values in step) and tells the other parts by signals. Lives on
// the main thread; other threads receive its signals queued.
class BaseDataPool : public QObject
{
    Q_OBJECT
public:
    explicit BaseDataPool(QObject* parent = nullptr);
    // Replaces what the first start learns from the system (tests, the sim backend).
    void setEnvironment(const FirstRunPreferences::Environment& environment);

    // Brings the database schema up to date, fills missing preferences from the
    // product defaults and publishes every preference (signal init).
    void init();
    // Writes the option catalogue into SettingsNames.
    void initDB();

    QString preference(const QString& name) const;
    // Whether the last init() was the first start of the agent on this database.
    bool firstStart() const { return m_firstStart; }
    int preferenceCount() const { return static_cast<int>(m_preferences.size()); }
    // A stored password in clear text ("RemoteConnectionPassword", "ProxyPassword").
    QString password(const QString& name) const;
    // What update() does, telling whether the value was stored.
    bool apply(const QString& name, const QString& value);

public Q_SLOTS:
    // Re-reads every preference; each value that changed meanwhile is published by `checkout`.
    void refreshPrefs();
    void update(const QString& name, const QString& value);
    void updateDisplay(const QString& name, const QString& value);
    void updateDisplayByID(const QString& name, const QString& value, int displayId);

Q_SIGNALS:
    void init(const QString& name, const QString& value);
    void checkout(const QString& name, const QString& value);
    void checkoutDisplay(const QString& name, const QString& value);
    void checkoutPrinter(const QString& name, const QString& value);
    void checkoutCamera(const QString& name, const QString& value);
    void clearDisplayInfo();
    void clearPrinterInfo();
    void clearCameraInfo();
    void signalUpdate();
    void signalDeviceStateChanged();
    void signalToUi(const QString& text);
    void signalUnitsChanged();
    void signalQATypeChanged();
    void signalStartCMYKBlockChange();
    void signalFinishCMYKBlockChange();
    void signalQASensitiveChanges();
    void signalDispalyDeviceNameChanged();

private:
    bool externalUpdate(const QString& name, const QString& value);
    bool store(const QString& name, const QString& value);
    void editList(const QString& listName, const QString& action);
    void changeLuminanceUnits(const QString& units);
    void setLevelInUserUnits(const QString& name, const QString& value);
    bool writeDisplayInfo(int displayId, const QString& name, const QString& value);
    void readAll();

    std::optional<FirstRunPreferences::Environment> m_environment;
    QMap<QString, QString> m_preferences;
    bool m_firstStart = false;
};
