#pragma once

#include "core/services.h"
#include "ui/widgets/stylemetrics.h"

#include <QMainWindow>

class NavigationStack;

// The one main window, "mainWindow": a navigation stack whose root is a home
// screen made for this window. It is created when the user asks for it and
// destroyed when closed, so the next opening starts from a fresh home screen.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr auto Identifier = "mainWindow";
    static constexpr int MinimumWidth = Style::Metrics::MainWindow::MinimumSize.width();
    static constexpr int MinimumHeight = Style::Metrics::MainWindow::MinimumSize.height();

    explicit MainWindow(const Services &services, QWidget *parent = nullptr);

private:
    NavigationStack *m_stack = nullptr;
};
