#include "ui/MainFormWindow.h"

#include "ui/DialogFont.h"
#include "ui/Identifiers.h"
#include "ui/ResultListModel.h"
#include "ui/ResultListView.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>

namespace {

struct Builder {
    const Scale& scale;
    LayoutRegistry& registry;
    MainForm& form;

    int s(int v) const { return Scaled(scale, v); }

    template <class W>
    W* add(int id, W* widget, const char* name, int x, int y, int w, int h, const QString& toolTip = {},
           const QString& anchors = {}) {
        widget->setObjectName(QLatin1String(name));
        widget->setGeometry(s(x), s(y), s(w), s(h));
        if (!toolTip.isEmpty())
            widget->setToolTip(toolTip);
        widget->show();
        form.gadgets[id] = widget;
        ResizeAdd(registry, anchors.toUpper(), Window_Form, id, s(x), s(y), s(w), s(h));
        return widget;
    }
};

QTableView* makeResultList(QWidget* parent, ResultListModel* model) {
    auto* view = new ResultListView(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->setFrameShape(QFrame::StyledPanel);
    view->setFrameShadow(QFrame::Sunken);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->verticalHeader()->hide();
    // Fixed row heights keep scrolling through 10^5 lines cheap.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setSectionsMovable(false);
    view->horizontalHeader()->setStretchLastSection(false);
    view->horizontalHeader()->setHighlightSections(false);
    // The selection stays visible when the list does not have the focus.
    QPalette pal = view->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(pal);
    return view;
}

HyperLink* makeHyperLink(QWidget* parent, const QString& caption) {
    auto* link = new HyperLink(caption, parent);
    link->setCursor(Qt::PointingHandCursor);
    QPalette pal = link->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    link->setPalette(pal);
    return link;
}

} // namespace

bool dialoge::Window_Form(const Scale& scale, LayoutRegistry& registry, MainForm& form) {
    auto* window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(QStringLiteral("Tandrix"));
    auto* client = new ClientArea(window);
    client->setObjectName(QStringLiteral("Window_Form"));
    window->setCentralWidget(client);
    form.window = window;
    form.client = client;

    Builder b{scale, registry, form};
    const int clientW = b.s(800);
    const int clientH = b.s(600);
    ResizeSet(registry, ::Window_Form, ResizeNone, b.s(180), b.s(98), clientW, clientH);
    client->setMinimumSize(clientW, clientH);
    // The menu bar keeps the desktop's font: only the controls are laid out in design units.
    UseDialogFont(client, scale);

    form.hyperLinkQuelle =
        b.add(Gadget_Form_HyperLinkQuelle, makeHyperLink(client, QStringLiteral("Quelle (1):")),
              "Gadget_Form_HyperLinkQuelle", 5, 5, 50, 15, QStringLiteral("Verzeichnis öffnen"));
    form.stringQuelle =
        b.add(Gadget_Form_StringQuelle, new QLineEdit(client), "Gadget_Form_StringQuelle", 55, 0, 315, 20);
    form.buttonQuelle =
        b.add(Gadget_Form_ButtonQuelle, new QPushButton(QStringLiteral("..."), client),
              "Gadget_Form_ButtonQuelle", 375, 0, 20, 20, QStringLiteral("Verzeichnis wählen"));
    form.hyperLinkMid =
        b.add(Gadget_Form_HyperLinkMid, makeHyperLink(client, QStringLiteral("Ziel (2):")),
              "Gadget_Form_HyperLinkMid", 415, 5, 40, 15, QStringLiteral("Verzeichnis öffnen"));
    form.stringMid =
        b.add(Gadget_Form_StringMid, new QLineEdit(client), "Gadget_Form_StringMid", 455, 0, 315, 20);
    form.buttonMid = b.add(Gadget_Form_ButtonMid, new QPushButton(QStringLiteral("..."), client),
                           "Gadget_Form_ButtonMid", 775, 0, 20, 20, QStringLiteral("Verzeichnis wählen"));
    form.textZielFree =
        b.add(Gadget_Form_TextZielFree, new QLabel(client), "Gadget_Form_TextZielFree", 455, 20, 315, 15);
    form.textQuelleFree =
        b.add(Gadget_Form_TextQuelleFree, new QLabel(client), "Gadget_Form_TextQuelleFree", 55, 20, 315, 15);
    form.comboBoxSets =
        b.add(Gadget_Form_ComboBoxSets, new QComboBox(client), "Gadget_Form_ComboBoxSets", 5, 45, 180, 20);
    form.checkBoxFilter = b.add(Gadget_Form_CheckBoxFilter, new QCheckBox(QStringLiteral("Filter+"), client),
                                "Gadget_Form_CheckBoxFilter", 250, 50, 50, 15,
                                QStringLiteral("Ausschlussfilter u.a. Optionen"));
    form.checkBoxPack =
        b.add(Gadget_Form_CheckBoxPack, new QCheckBox(QStringLiteral("Packen"), client),
              "Gadget_Form_CheckBoxPack", 190, 50, 55, 15, QStringLiteral("Ziel packen (ZIP"));
    form.buttonScan = b.add(Gadget_Form_ButtonScan, new QPushButton(QStringLiteral("Scan"), client),
                            "Gadget_Form_ButtonScan", 305, 45, 40, 20);
    form.checkBoxCancel = b.add(Gadget_Form_CheckBoxCancel, new QCheckBox(QStringLiteral("Abbruch"), client),
                                "Gadget_Form_CheckBoxCancel", 350, 45, 100, 25,
                                QStringLiteral("Bricht verschiedene Aktionen ab!"));
    form.textSchnellFilter =
        b.add(Gadget_Form_TextSchnellFilter, new QLabel(QStringLiteral("Schnell Einschlussfilter:"), client),
              "Gadget_Form_TextSchnellFilter", 5, 75, 115, 15);
    form.stringSchnellFilter =
        b.add(Gadget_Form_StringSchnellFilter, new QLineEdit(client), "Gadget_Form_StringSchnellFilter", 120,
              70, 330, 20, QStringLiteral("Nur noch diese scannen (nochmal 'Scan' klicken"));
    form.frameSel = b.add(Gadget_Form_FrameSel, new QGroupBox(QStringLiteral("Auswahl"), client),
                          "Gadget_Form_FrameSel", 455, 40, 345, 50);
    form.buttonSelAll = b.add(Gadget_Form_ButtonSelAll, new QPushButton(QStringLiteral("Alles"), client),
                              "Gadget_Form_ButtonSelAll", 465, 60, 30, 20);
    form.buttonSelNix = b.add(Gadget_Form_ButtonSelNix, new QPushButton(QStringLiteral("Nix"), client),
                              "Gadget_Form_ButtonSelNix", 495, 60, 25, 20);
    form.buttonSelNeg =
        b.add(Gadget_Form_ButtonSelNeg, new QPushButton(QStringLiteral("Umk."), client),
              "Gadget_Form_ButtonSelNeg", 520, 60, 30, 20, QStringLiteral("Auswahl umkehren"));
    form.buttonSelCR = b.add(Gadget_Form_ButtonSelCR, new QPushButton(QStringLiteral(">"), client),
                             "Gadget_Form_ButtonSelCR", 550, 60, 25, 20, QStringLiteral("Wählt alle >"));
    form.buttonSelCL = b.add(Gadget_Form_ButtonSelCL, new QPushButton(QStringLiteral("<"), client),
                             "Gadget_Form_ButtonSelCL", 575, 60, 25, 20, QStringLiteral("Wählt alle <"));
    form.buttonSelDir =
        b.add(Gadget_Form_ButtonSelDir, new QPushButton(QStringLiteral("V."), client),
              "Gadget_Form_ButtonSelDir", 600, 60, 20, 20, QStringLiteral("Verzeichnisse wählen"));
    form.buttonSelSync =
        b.add(Gadget_Form_ButtonSelSync, new QPushButton(QStringLiteral("Sync"), client),
              "Gadget_Form_ButtonSelSync", 665, 60, 35, 20, QStringLiteral("Ausgewählte synchronisieren"));
    form.buttonSelDel = b.add(Gadget_Form_ButtonSelDel, new QPushButton(QStringLiteral("Löschen:"), client),
                              "Gadget_Form_ButtonSelDel", 710, 60, 50, 20,
                              QStringLiteral("Ausgewählte löschen (Q und/oder Z müssen gewählt sein"));
    form.buttonSelDel->setStyleSheet(QStringLiteral("text-align: left; padding-left: 3px;"));
    form.checkBoxDelQ =
        b.add(Gadget_Form_CheckBoxDelQ, new QCheckBox(QStringLiteral("Q"), client),
              "Gadget_Form_CheckBoxDelQ", 765, 55, 30, 15, QStringLiteral("In der Quelle löschen"));
    form.checkBoxDelZ = b.add(Gadget_Form_CheckBoxDelZ, new QCheckBox(QStringLiteral("Z"), client),
                              "Gadget_Form_CheckBoxDelZ", 765, 70, 30, 15, QStringLiteral("Im Ziel löschen"));

    form.listModel = new ResultListModel(client);
    form.listModel->addColumn(QStringLiteral("Datei"));
    form.listIconFiles = b.add(Gadget_Form_ListIconFiles, makeResultList(client, form.listModel),
                               "Gadget_Form_ListIconFiles", 0, 95, 800, 465, {}, QStringLiteral("RU"));
    form.listIconFiles->setColumnWidth(0, 100);

    auto* statusBar = new StatusBar(scale, client);
    for (int i = 0; i < 3; ++i)
        form.statusField[i] = statusBar->field[i];
    form.statusBar = statusBar;
    client->statusBar = statusBar;

    AttachMenu(form);
    window->resize(clientW, clientH);
    window->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        window->move(avail.center() -
                     QPoint(window->frameGeometry().width() / 2, window->frameGeometry().height() / 2));
    }
    window->show();
    return true;
}

void AttachMenu(MainForm& form) {
    if (form.window->menuWidget() && !form.menuItems.empty())
        return;
    auto* bar = new QMenuBar(form.window);
    auto item = [&](QMenu* menu, int number, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setData(number);
        form.menuItems[number] = a;
        return a;
    };
    QMenu* datei = bar->addMenu(QStringLiteral("Datei"));
    item(datei, Menu_NewSet, QStringLiteral("Neues Set"));
    item(datei, Menu_CopySet, QStringLiteral("Set kopieren"));
    item(datei, Menu_RenameSet, QStringLiteral("Set umbennen"));
    item(datei, Menu_DeleteSet, QStringLiteral("Set löschen"));
    datei->addSeparator();
    item(datei, Menu_Quit, QStringLiteral("Beenden"));
    QMenu* bearbeiten = bar->addMenu(QStringLiteral("Bearbeiten"));
    item(bearbeiten, Menu_AddToFilter, QStringLiteral("Zu Filter hinzufügen"));
    bearbeiten->addSeparator();
    item(bearbeiten, Menu_DateAlign, QStringLiteral("Datum abgleichen"));
    QMenu* extras = bar->addMenu(QStringLiteral("Extras"));
    item(extras, Menu_RemovableFreeSpace, QStringLiteral("Freier Platz Wechseldatenträger anzeigen"))
        ->setCheckable(true);
    extras->addSeparator();
    item(extras, Menu_Info, QStringLiteral("Info"));
    form.window->setMenuBar(bar);
}
