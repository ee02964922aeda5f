#include "app/tray/VideoAdapterChangeInfoWindow.h"

#include "app/AppPreferences.h"
#include "app/tray/RemindChoice.h"

#include <QComboBox>
#include <QDateTime>
#include <QDebug>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

VideoAdapterChangeInfoWindow::VideoAdapterChangeInfoWindow(QWidget* parent, Now now)
    : VideoAdapterChangeInfoWindowInterface(parent), m_now(std::move(now))
{
    if (!m_now)
        m_now = [] { return QDateTime::currentSecsSinceEpoch(); };
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::RichText);
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    m_remind = RemindChoice::create(this);
    layout->addWidget(m_remind);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Ok"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    connect(this, &QDialog::finished, this, &VideoAdapterChangeInfoWindow::closed);
}

QString VideoAdapterChangeInfoWindow::messageText() const
{
    return m_text->text();
}

void VideoAdapterChangeInfoWindow::slotDisplayChangeAdapterDlg(const QStringList& displayNames)
{
    qDebug() << "VideoAdapterChangeInfoWindow::slotDisplayChangeAdapterDlg" << displayNames;
    m_failedQA = false;
    setWindowTitle(tr("Notification"));
    m_text->setText(tr("You have re-connected some of your displays to a different video card. Please pass "
                       "acceptance test again for the following display(s)") +
                    QStringLiteral(":<br/><br/>") + displayNames.join(QStringLiteral("<br/>")));
    m_remind->hide();
    show();
}

void VideoAdapterChangeInfoWindow::slotFailedQADisplaysDlg(const QStringList& displayNames)
{
    qDebug() << "VideoAdapterChangeInfoWindow::slotFailedQADisplaysDlg" << displayNames;
    m_failedQA = true;
    setWindowTitle(tr("Notification"));
    QString text = tr("The QA-test(s) failed for the following display(s)") + QStringLiteral(":<br/><br/>");
    for (const QString& name : displayNames)
        text += QStringLiteral("<b>") + name + QStringLiteral("</b>") + QStringLiteral("<br/>");
    text += tr("The display(s) cannot be used for diagnostics.");
    m_text->setText(text);
    m_remind->show();
    show();
}

void VideoAdapterChangeInfoWindow::closed()
{
    if (m_failedQA) {
        const qint64 next = m_now() + m_remind->currentData().toInt();
        AppPreferences::set(QStringLiteral("NextQAFailedNotification"), QString::number(next));
        qDebug() << "VideoAdapterChangeInfoWindow next failed-QA reminder at" << next;
    }
    emit signalDialogFinished();
}
