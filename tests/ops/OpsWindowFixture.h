#pragma once

#include "platform/FileOps.h"
#include "support/FileBytes.h"
#include "support/ModalAnswer.h"
#include "support/QtPrint.h"
#include "support/TreeBuilder.h"
#include "tandrix/App.h"
#include "ui/Identifiers.h"
#include "ui/ResultListModel.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>

// The real program on two test trees, with one set "Test" naming them, scanned. The local clock
// is fixed two hours east of UTC without daylight saving.
class OpsWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "TDX-2", 1);
        ::tzset();
    }

    void openApp() { openAppOn(source.path(), target.path()); }

    void openAppOn(const QString& src, const QString& mid, const QString& options = QString()) {
        ASSERT_TRUE(programDir.isValid());
        QFile ini(programDir.path() + "/Tandrix.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        const QString text = "\r\n[Generell]\r\nIniVersion=81107\r\nSetCombo=Test\r\n[Sets]\r\nTest=1\r\n"
                             "[Set_Test]\r\nSrc=" +
                             src + "\r\nMid=" + mid + "\r\nOptions=" + options + "\r\nFilter=\r\n";
        ini.write("\xEF\xBB\xBF" + text.toUtf8());
        ini.close();
        app = std::make_unique<App>(programDir.path());
        ASSERT_TRUE(app->open());
        ASSERT_EQ(app->form.comboBoxSets->currentText(), "Test");
    }

    void scan() { form().buttonScan->click(); }

    MainForm& form() { return app->form; }
    AppState& state() { return app->state; }
    QString status(int field) { return form().statusField[field]->text(); }
    int lines() { return form().listModel->lineCount(); }
    QString cell(int line, int column) { return form().listModel->cellText(line, column); }
    QStringList paths() {
        QStringList out;
        for (int i = 0; i < lines(); ++i)
            out << cell(i, 1);
        return out;
    }
    int lineOf(const QString& path) { return int(paths().indexOf(path)); }
    void selectPaths(const QStringList& chosen) {
        QItemSelectionModel* sel = form().listIconFiles->selectionModel();
        sel->clearSelection();
        for (const QString& path : chosen) {
            const int line = lineOf(path);
            ASSERT_GE(line, 0) << path.toStdString();
            sel->select(form().listModel->index(line, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    void selectAll() { form().buttonSelAll->click(); }

    // Clicks a button that asks first, answering the question with `answer`; a message box shown
    // afterwards is answered with "OK" and counted.
    void clickAndAnswer(QAbstractButton* button, const QString& answer) {
        question = std::make_unique<ModalAnswer>([answer](QWidget* box) { PressButton(box, answer); });
        stray = std::make_unique<ModalAnswer>([](QWidget* box) { PressButton(box, "OK"); }, 2000);
        button->click();
    }
    // Opens the date window from the menu, picks an option by caption (none when empty) and
    // clicks `button`.
    void runWith(const QString& option, const QString& button) {
        question = std::make_unique<ModalAnswer>([option, button](QWidget* w) {
            for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
                if (!option.isEmpty() && b->text() == option)
                    b->click();
            PressButton(w, button);
        });
        stray = std::make_unique<ModalAnswer>([](QWidget* box) { PressButton(box, "OK"); }, 3000);
        form().menuItems[Menu_DateAlign]->trigger();
    }
    bool asked() const { return question && question->done(); }
    QString questionText() const { return question ? question->text() : QString(); }
    bool messageShown() const { return stray && stray->done(); }
    QString messageText() const { return stray ? stray->text() : QString(); }
    QString toolTip(const QString& path) {
        return form().listModel->data(form().listModel->index(lineOf(path), 1), Qt::ToolTipRole).toString();
    }

    static QByteArray contentsOf(const QString& path) { return readBytes(path); }
    static QStringList temporaries(const QString& folder) {
        return QDir(folder).entryList({CopyTempPrefix() + "*"}, QDir::Files | QDir::Hidden | QDir::System);
    }
    static bool exists(const QString& path) { return StatPath(path).kind != PathKind::Missing; }

    QTemporaryDir programDir;
    TestTree source;
    TestTree target;
    std::unique_ptr<App> app;
    std::unique_ptr<ModalAnswer> question;
    std::unique_ptr<ModalAnswer> stray;
};
