#include "app/tray/EnergyModeNotificationWindow.h"

#include "app/tray/RemindChoice.h"

#include <QComboBox>
#include <QDebug>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

EnergyModeNotificationWindow::EnergyModeNotificationWindow(QWidget* parent)
    : EnergyModeNotificationWindowInterface(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    layout->addWidget(m_text);
    m_countdown = new QLabel(QString::number(CountdownSeconds), this);
    layout->addWidget(m_countdown);
    m_remind = RemindChoice::create(this);
    layout->addWidget(m_remind);
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_later = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &EnergyModeNotificationWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &EnergyModeNotificationWindow::reject);
    layout->addWidget(buttons);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &EnergyModeNotificationWindow::tick);
    slotRetranslateGUI();
}

void EnergyModeNotificationWindow::slotRetranslateGUI()
{
    setWindowTitle(tr("Display Energy Save Mode"));
    m_text->setText(tr("The KALDO Energy Save System will put your display to sleep mode in:"));
    m_ok->setText(tr("OK"));
    m_later->setText(tr("Remind me later"));
}

int EnergyModeNotificationWindow::remindSeconds() const
{
    return m_remind->currentData().toInt();
}

QString EnergyModeNotificationWindow::countdownText() const
{
    return m_countdown->text();
}

void EnergyModeNotificationWindow::verifyAndShow()
{
    qDebug() << "EnergyModeNotificationWindow::verifyAndShow silent =" << m_silent;
    if (m_silent) {
        accept();
        return;
    }
    m_left = CountdownSeconds;
    m_countdown->setText(QString::number(m_left));
    m_timer.start();
    show();
    raise();
}

void EnergyModeNotificationWindow::tick()
{
    --m_left;
    m_countdown->setText(QString::number(m_left));
    if (m_left <= 0)
        accept();
}

void EnergyModeNotificationWindow::stopCountdown()
{
    m_timer.stop();
    m_left = CountdownSeconds;
    m_countdown->setText(QString::number(CountdownSeconds));
}

void EnergyModeNotificationWindow::accept()
{
    qDebug() << "EnergyModeNotificationWindow::accept";
    stopCountdown();
    EnergyModeNotificationWindowInterface::accept();
}

void EnergyModeNotificationWindow::reject()
{
    // A reject with no countdown on screen (a session lock while nothing was asked)
    // must not end the wait of a task that never asked.
    if (!m_timer.isActive() && !isVisible()) {
        qDebug() << "EnergyModeNotificationWindow::reject nothing shown, nothing to answer";
        return;
    }
    qDebug() << "EnergyModeNotificationWindow::reject remind in" << remindSeconds() << "s";
    stopCountdown();
    EnergyModeNotificationWindowInterface::reject();
}
