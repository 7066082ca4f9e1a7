#pragma once

#include <QWidget>

// The dynamic-authorization page: the latest score, trust level and risk items.
class PageDynamicAuth : public QWidget
{
    Q_OBJECT
public:
    explicit PageDynamicAuth(QWidget* parent = nullptr);

    // Reads the dynamic result and shows it.
    void updateData();
};
