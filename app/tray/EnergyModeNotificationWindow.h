#pragma once

#include "tasks/EnergyModeNotificationWindowInterface.h"

#include <QTimer>

class QComboBox;
class QLabel;
class QPushButton;

// The countdown before the displays go to energy-save mode. The countdown running out
// accepts it; "Remind me later" rejects it with the chosen delay.
class EnergyModeNotificationWindow : public EnergyModeNotificationWindowInterface
{
    Q_OBJECT
public:
    static constexpr int CountdownSeconds = 30;

    explicit EnergyModeNotificationWindow(QWidget* parent = nullptr);

    // The seconds carried by the selected "Remind me later" entry.
    int remindSeconds() const;
    QString countdownText() const;
    QComboBox* remindChoice() const { return m_remind; }

    // Whether the agent runs without asking: the window then accepts at once.
    void setSilent(bool silent) { m_silent = silent; }

public slots:
    void verifyAndShow() override;
    void accept() override;
    void reject() override;
    void slotRetranslateGUI() override;

private slots:
    void tick();

private:
    void stopCountdown();

    QLabel* m_text = nullptr;
    QLabel* m_countdown = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_later = nullptr;
    QComboBox* m_remind = nullptr;
    QTimer m_timer;
    int m_left = CountdownSeconds;
    bool m_silent = false;
};
