#pragma once

#include <QDialog>
#include <QStringList>

// The dialog that names displays moved to another video card, or displays whose last
// QA failed.
class VideoAdapterChangeInfoWindowInterface : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
    ~VideoAdapterChangeInfoWindowInterface() override = default;

signals:
    void signalDialogFinished();

public slots:
    virtual void slotDisplayChangeAdapterDlg(const QStringList& displayNames) = 0;
    virtual void slotFailedQADisplaysDlg(const QStringList& displayNames) = 0;
};
