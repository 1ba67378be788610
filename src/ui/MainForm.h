#pragma once

#include "ui/Scale.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <functional>
#include <map>

class ResultListModel;

// A label that reports a click, shown with a hand cursor.
class HyperLink : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The main window; its close requests and size changes go to whoever listens.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    using QMainWindow::QMainWindow;
    bool closeAllowed = false;
signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
};

// The status bar and its three fields side by side, without gap or overlap, at 550 and 100 design
// units from the left, the last one taking what remains.
class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    StatusBar(const Scale& scale, QWidget* parent);
    QLabel* field[3] = {};
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Scale scale;
};

// The client area of the main window: every control and the status bar sit on it.
class ClientArea : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    QStatusBar* statusBar = nullptr;
signals:
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The widgets of the main window, filled by Window_Form(). Plain pointers; Qt owns the widgets.
struct MainForm {
    MainWindow* window = nullptr;
    ClientArea* client = nullptr;

    HyperLink* hyperLinkQuelle = nullptr;     // 2
    QLineEdit* stringQuelle = nullptr;        // 3
    QPushButton* buttonQuelle = nullptr;      // 4
    HyperLink* hyperLinkMid = nullptr;        // 5
    QLineEdit* stringMid = nullptr;           // 6
    QPushButton* buttonMid = nullptr;         // 7
    QLabel* textZielFree = nullptr;           // 8
    QLabel* textQuelleFree = nullptr;         // 9
    QComboBox* comboBoxSets = nullptr;        // 10
    QCheckBox* checkBoxFilter = nullptr;      // 11
    QCheckBox* checkBoxPack = nullptr;        // 12
    QPushButton* buttonScan = nullptr;        // 13
    QCheckBox* checkBoxCancel = nullptr;      // 14
    QLabel* textSchnellFilter = nullptr;      // 15
    QLineEdit* stringSchnellFilter = nullptr; // 16
    QGroupBox* frameSel = nullptr;            // 17
    QPushButton* buttonSelAll = nullptr;      // 18
    QPushButton* buttonSelNix = nullptr;      // 19
    QPushButton* buttonSelNeg = nullptr;      // 20
    QPushButton* buttonSelCR = nullptr;       // 21
    QPushButton* buttonSelCL = nullptr;       // 22
    QPushButton* buttonSelDir = nullptr;      // 23
    QPushButton* buttonSelSync = nullptr;     // 24
    QPushButton* buttonSelDel = nullptr;      // 25
    QCheckBox* checkBoxDelQ = nullptr;        // 26
    QCheckBox* checkBoxDelZ = nullptr;        // 27
    QTableView* listIconFiles = nullptr;      // 28
    ResultListModel* listModel = nullptr;

    QStatusBar* statusBar = nullptr; // 29
    QLabel* statusField[3] = {};     // fields 0, 1, 2
    // Told of every text Status() writes, with its field; lets a caller follow texts that are
    // overwritten before anyone could look (the tests do).
    std::function<void(int field, const QString& text)> statusWritten;

    // Menu 1; items by their number (3 to 13).
    std::map<int, QAction*> menuItems;

    // Controls 2 to 28 by number, in creation order.
    std::map<int, QWidget*> gadgets;

    QWidget* gadget(int id) const {
        auto it = gadgets.find(id);
        return it == gadgets.end() ? nullptr : it->second;
    }
};
