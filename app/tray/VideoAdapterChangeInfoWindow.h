#pragma once

#include "tasks/VideoAdapterChangeInfoWindowInterface.h"

#include <functional>

class QComboBox;
class QLabel;

// Names displays that moved to another video card, or whose last QA failed. Closing
// the failed-QA message stores when to remind the user next.
class VideoAdapterChangeInfoWindow : public VideoAdapterChangeInfoWindowInterface
{
    Q_OBJECT
public:
    // Seconds since 1970; injectable so the stored reminder time can be checked.
    using Now = std::function<qint64()>;

    explicit VideoAdapterChangeInfoWindow(QWidget* parent = nullptr, Now now = {});

    QString messageText() const;
    QComboBox* remindChoice() const { return m_remind; }

public slots:
    void slotDisplayChangeAdapterDlg(const QStringList& displayNames) override;
    void slotFailedQADisplaysDlg(const QStringList& displayNames) override;

private:
    void closed();

    QLabel* m_text = nullptr;
    QComboBox* m_remind = nullptr;
    Now m_now;
    bool m_failedQA = false;
};
