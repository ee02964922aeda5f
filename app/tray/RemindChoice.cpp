#include "app/tray/RemindChoice.h"

#include <QComboBox>
#include <QCoreApplication>

QComboBox* RemindChoice::create(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("remindIn"));
    const struct
    {
        const char* text;
        int seconds;
    } entries[] = {
        {"15 minutes", 900}, {"30 minutes", 1800}, {"1 hour", 3600}, {"2 hours", 7200}, {"6 hours", 21600}};
    for (const auto& entry : entries)
        box->addItem(QCoreApplication::translate("RemindChoice", entry.text), entry.seconds);
    return box;
}
