#pragma once

// Help ▸ User Guide (F1): how to use the program, in one scrollable page that stays open
// beside the main window.

#include <QDialog>

class QTextBrowser;

namespace stowfolio {

class HelpWindow : public QDialog
{
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // The page as shown, for tests and for the window.
    static QString pageHtml();
};

} // namespace stowfolio
