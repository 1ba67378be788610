#pragma once

#include "support/QtPrint.h"
#include "support/TreeBuilder.h"
#include "tandrix/App.h"
#include "ui/ResultListModel.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>

// The real program on two test trees: a settings file with one set "Test" naming them, the
// main window opened on it. The local clock is fixed two hours east of UTC without daylight
// saving, so the dates in the list are known.
class ScanWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "TDX-2", 1);
        ::tzset();
    }

    void openApp(const QString& options = QString(), const QString& filter = QString()) {
        ASSERT_TRUE(programDir.isValid());
        writeSettings(source.path(), target.path(), options, filter);
        app = std::make_unique<App>(programDir.path());
        ASSERT_TRUE(app->open());
        ASSERT_EQ(app->form.comboBoxSets->currentText(), "Test");
    }

    void writeSettings(const QString& src, const QString& mid, const QString& options,
                       const QString& filter) {
        QFile ini(programDir.path() + "/Tandrix.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        const QString text = "\r\n[Generell]\r\nIniVersion=81107\r\nSetCombo=Test\r\n[Sets]\r\nTest=1\r\n"
                             "[Set_Test]\r\nSrc=" +
                             src + "\r\nMid=" + mid + "\r\nOptions=" + options + "\r\nFilter=" + filter +
                             "\r\n";
        ini.write("\xEF\xBB\xBF" + text.toUtf8());
    }

    MainForm& form() { return app->form; }
    AppState& state() { return app->state; }
    QString status(int field) { return form().statusField[field]->text(); }
    int lines() { return form().listModel->lineCount(); }
    QString cell(int line, int column) { return form().listModel->cellText(line, column); }
    QStringList lineTexts(int line) {
        QStringList out;
        for (int c = 0; c < 7; ++c)
            out << cell(line, c);
        return out;
    }
    QStringList paths() {
        QStringList out;
        for (int i = 0; i < lines(); ++i)
            out << cell(i, 1);
        return out;
    }
    bool selected(int line) {
        return form().listIconFiles->selectionModel()->isRowSelected(line, QModelIndex());
    }
    int selectedCount() {
        int n = 0;
        for (int i = 0; i < lines(); ++i)
            n += selected(i) ? 1 : 0;
        return n;
    }
    void selectOnly(std::initializer_list<int> chosen) {
        QItemSelectionModel* sel = form().listIconFiles->selectionModel();
        sel->clearSelection();
        for (int line : chosen)
            sel->select(form().listModel->index(line, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QTemporaryDir programDir;
    TestTree source;
    TestTree target;
    std::unique_ptr<App> app;
};
