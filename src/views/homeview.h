#pragma once

#include <QWidget>

// The root of the main window: who the user is, what he may do, the version.
class HomeView : public QWidget
{
    Q_OBJECT

public:
    explicit HomeView(QWidget *parent = nullptr);
};
