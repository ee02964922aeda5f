#pragma once

class QComboBox;
class QWidget;

// The "remind me" time choice the notification windows share: each entry carries its
// delay in seconds as item data.
class RemindChoice
{
public:
    static QComboBox* create(QWidget* parent);
};
